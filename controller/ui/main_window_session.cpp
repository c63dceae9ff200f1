#include "controller/ui/main_window.h"

#include "controller/protocol/matrix_kinds.h"
#include "controller/ui/input_properties_event.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>

namespace controller {

namespace {

const QString kCaption = QStringLiteral("     Matrix V3.5");
const char* const kOpenFailedText = "Unable to open the serial port, Please check and try again!";
const char* const kReopenFailedText = "No serial port!";
const char* const kSilentDeviceText = "Can not read device, check the communications connection!";
const char* const kSendFailedText = "UDP error,Network operation is terminated!";
const char* const kRejectedSettingsCaption = "错误提示";
const char* const kRejectedSettingsText = "设置通讯速率错误，可能无法正常通信!";

} // namespace

void MainWindow::showMessage(const std::string& text) {
    m_prompts.show(platform::Prompt::dialog(text));
}

std::string MainWindow::openFailureText(const char* message) const {
    const std::string reason = m_session.openFailureReason();
    return reason.empty() ? std::string(message) : std::string(message) + "\r\n" + reason;
}

// The serial port's controls ---------------------------------------------------------------

void MainWindow::onOpenClicked() {
    if (!m_session.serialOpen()) {
        if (!m_session.openPort())
            showMessage(openFailureText(kOpenFailedText));
        return;
    }
    m_session.closePort();
    setWindowTitle(QStringLiteral("  Corvell V3.5"));
}

void MainWindow::onComActivated(int index) {
    if (!m_session.selectPort("COM" + std::to_string(index + 1)))
        showMessage(openFailureText(kReopenFailedText));
}

void MainWindow::onBaudActivated(int index) {
    if (!m_session.selectBaud(baudForIndex(index)))
        showMessage(openFailureText(kReopenFailedText));
}

void MainWindow::setSerialButton(bool open) {
    m_openButton->setText(open ? QStringLiteral("CLOSE") : QStringLiteral("OPEN"));
    m_openButton->setAccessibleName(m_openButton->text());
}

void MainWindow::comPortsMapped(const ComPortEntries& entries) {
    // The entries keep their places, so the selection (SelectCOM) keeps its meaning.
    for (const ComPortEntry& entry : entries) {
        const int index = entry.number - 1;
        if (index >= m_comCombo->count())
            break;
        m_comCombo->setItemText(index, QString::fromStdString(comPortEntryText(entry)));
        m_comCombo->setItemData(index, QString::fromStdString(comPortEntryToolTip(entry)),
                                Qt::ToolTipRole);
    }
    const int index = m_comCombo->currentIndex();
    m_comCombo->setToolTip(index >= 0 ? m_comCombo->itemData(index, Qt::ToolTipRole).toString()
                                      : QString());
    m_comCombo->view()->setMinimumWidth(m_comCombo->view()->sizeHintForColumn(0) + 8);
}

void MainWindow::portOpened(const std::string& portName, int baud) {
    setWindowTitle(QStringLiteral("  Matrix V3.5 -- %1:%2,N,8,1")
                       .arg(QString::fromStdString(portName))
                       .arg(baud));
    setSerialButton(true);
}

void MainWindow::portOpenFailed() {
    // The title names a port only while one is open.
    setWindowTitle(kCaption);
    setSerialButton(false);
}

void MainWindow::portSettingsRejected() {
    m_prompts.show(platform::Prompt::box(kRejectedSettingsCaption, kRejectedSettingsText,
                                         platform::PromptIcon::Information));
}

void MainWindow::portClosed() {
    setSerialButton(false);
}

void MainWindow::portLost(const std::string& portName, const std::string& devicePath) {
    setWindowTitle(kCaption);
    showMessage("The serial device of " + portName + " (" + devicePath +
                ") went away; the port is closed.\r\n"
                "It opens again by itself when the device comes back.");
}

void MainWindow::portReturned() {
    markReconnected();
}

void MainWindow::markReconnected() {
    const QString mark = QStringLiteral(" (reconnected)");
    if (!windowTitle().endsWith(mark))
        setWindowTitle(windowTitle() + mark);
}

// Sending ----------------------------------------------------------------------------------

void MainWindow::sendFrame(const std::vector<std::uint8_t>& frame, bool serialOnly) {
    m_session.sendFrame(frame, serialOnly);
}

void MainWindow::sendOutputVideoProperty(std::uint8_t property, std::uint8_t value,
                                         std::uint8_t channel) {
    m_session.sendOutputVideoProperty(property, value, channel);
}

void MainWindow::sendInputProperty(std::uint8_t property, std::uint8_t value,
                                   std::uint8_t channel) {
    m_session.sendInputProperty(property, value, channel);
}

void MainWindow::networkSendFailed() {
    // The box shows that sending stopped before the message does; the file keeps its value, so
    // the next start tries the network again, and a click turns it on now.
    m_useNetCheck->setChecked(false);
    showMessage(kSendFailedText);
}

void MainWindow::networkLost(const LinkInfo& link, const std::string& reason) {
    showMessage("The connection " + link.name + " is lost: " + reason +
                ".\r\nIt is made again by itself when the terminal listens again.");
}

void MainWindow::networkReturned(const LinkInfo& /*link*/) {
    markReconnected();
}

void MainWindow::settingsFileMessage(const platform::Prompt& prompt) {
    m_prompts.show(prompt);
}

// Replies ----------------------------------------------------------------------------------

void MainWindow::crosspointsReported(const std::vector<Crosspoint>& pairs) {
    for (const Crosspoint& p : pairs)
        placeMarker(p.output, p.input);
}

void MainWindow::switchStateArrived() {
    if (!m_readBackObserver)
        return;
    // Runs once this reply's pairs have been applied.
    QMetaObject::invokeMethod(
        this,
        [this] {
            // A copy: the observer may replace itself while it runs.
            if (auto observer = m_readBackObserver)
                observer();
        },
        Qt::QueuedConnection);
}

void MainWindow::replyText(const std::string& text) {
    showMessage(text);
}

void MainWindow::readTimedOut() {
    // A backup waiting for its read-back says what the silence means for it instead.
    if (backupRunning())
        return;
    showMessage(kSilentDeviceText);
}

void MainWindow::inputPropertiesReported(const InputPropertiesReport& report) {
    if (!m_setupDialog)
        return;
    // The report's data as the device sent it from offset 4: channel, two bytes the dialog
    // does not use, EDID, crop, aspect ratio.
    InputPropertiesEvent event(
        {report.channel, 0x00, 0x00, report.edid, report.crop, report.aspectRatio});
    QCoreApplication::sendEvent(m_setupDialog, &event);
}

} // namespace controller
