#include "tests/controller_ui/main_window_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMouseEvent>

#include <limits>
#include <mutex>

namespace controller_ui_test {

void processEventsFor(std::chrono::milliseconds time) {
    QElapsedTimer timer;
    timer.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    } while (timer.elapsed() < time.count());
}

void MainWindowTest::writeSettings(const std::string& systemSet, const std::string& net) {
    std::string ports = "[Ports]\r\n";
    for (int n = 1; n <= 9; ++n) {
        const auto key = m_portKeys.find(n);
        const std::string path = key != m_portKeys.end() ? key->second
                                 : n == 1                ? m_pty.slavePath()
                                 : n == 2                ? m_pty2.slavePath()
                                                         : missingPath(n);
        if (!path.empty())
            ports += "COM" + std::to_string(n) + "=" + path + "\r\n";
    }
    test_support::TempDir::writeFile(settingsPath(),
                                     "[SYSTEM_SET]\r\n" + systemSet + "[Net]\r\n" + net + ports);
    m_settingsWritten = true;
}

controller::MainWindow& MainWindowTest::start() {
    if (!m_settingsWritten)
        writeSettings();
    m_window = std::make_unique<controller::MainWindow>(
        QString::fromStdString(m_dir.path()), m_prompts,
        controller::SerialPortAccess{
            [this] { return m_machinePorts; },
            [this](const std::string& path) {
                if (m_portFactory)
                    return m_portFactory(path);
                if (!m_realCom1 && path == m_pty.slavePath())
                    return platform::SerialOpenResult{
                        std::make_unique<test_support::FakeSerialPort>(m_device), {}};
                return platform::openSerialPort(path);
            }});
    controller::MatrixSession& session = m_window->session();
    session.setTimerPeriods(std::chrono::hours(1), std::chrono::hours(1));
    session.setPortPresencePeriod(std::chrono::hours(1));
    session.setPauses(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
    return *m_window;
}

std::string MainWindowTest::notPresent(int n) const {
    return "COM" + std::to_string(n) + " (" + missingPath(n) +
           "): the device is not present. Is the adapter plugged in?";
}

Bytes MainWindowTest::serialOut(std::size_t count) {
    std::lock_guard lock(m_device->mutex);
    const std::size_t end = std::min(m_device->written.size(), m_takenBytes + count);
    Bytes out(m_device->written.begin() + static_cast<std::ptrdiff_t>(m_takenBytes),
              m_device->written.begin() + static_cast<std::ptrdiff_t>(end));
    m_takenBytes = end;
    return out;
}

Bytes MainWindowTest::serialQuiet() {
    return serialOut(std::numeric_limits<std::size_t>::max() / 2);
}

void MainWindowTest::deviceSends(const Bytes& bytes) {
    m_device->feed(bytes);
    const bool read = waitFor([this] {
        std::lock_guard lock(m_device->mutex);
        return m_device->received.empty();
    });
    if (!read)
        ADD_FAILURE() << "the window did not read what the device sent";
}

namespace {
void sendMouse(QWidget* w, QEvent::Type type, QPoint pos) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
} // namespace

void MainWindowTest::clickAt(QPoint pos) {
    sendMouse(m_window->content(), QEvent::MouseButtonPress, pos);
    sendMouse(m_window->content(), QEvent::MouseButtonRelease, pos);
}

void MainWindowTest::moveTo(QPoint pos) {
    sendMouse(m_window->content(), QEvent::MouseMove, pos);
}

void MainWindowTest::choose(const char* comboName, int index) {
    auto* combo = control<QComboBox>(comboName);
    if (!combo)
        return;
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

void MainWindowTest::press(const char* buttonName) {
    if (auto* button = control<QAbstractButton>(buttonName))
        button->click();
}

QPoint crosspointCentre(const controller::MainWindow& window, int o, int i) {
    const auto& layout = window.gridLayout();
    return QPoint(layout.outputs.at(static_cast<std::size_t>(o)).centre,
                  layout.inputs.at(static_cast<std::size_t>(i)).centre);
}

} // namespace controller_ui_test
