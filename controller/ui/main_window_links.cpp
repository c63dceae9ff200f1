#include "controller/ui/main_window.h"

#include "controller/protocol/setup_requests.h"
#include "controller/protocol/signal_code.h"
#include "controller/protocol/switch_requests.h"
#include "controller/ui/input_properties_event.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QThread>

#include <array>

namespace controller {

namespace {

// Line settings of every port the window opens: no parity, 8 data bits, 1 stop bit.
constexpr int kParity = 0;
constexpr int kDataBits = 8;
constexpr int kStopBits = 1;

// Bytes read per notification at most. The monitor notifies again at once when more are
// waiting, so a device that never stops talking cannot hold the window in one drain.
constexpr std::size_t kMaxDrainBytes = 4096;

const QString kCaption = QStringLiteral("     Matrix V3.5");
const char* const kOpenFailedText = "Unable to open the serial port, Please check and try again!";
const char* const kReopenFailedText = "No serial port!";
const char* const kSilentDeviceText = "Can not read device, check the communications connection!";
const char* const kSendFailedText = "UDP error,Network operation is terminated!";
const char* const kRejectedSettingsCaption = "错误提示";
const char* const kRejectedSettingsText = "设置通讯速率错误，可能无法正常通信!";

} // namespace

std::string MainWindow::selectedPortName() const {
    const int index = m_comCombo->currentIndex();
    if (index < 0)
        return std::string();
    // The digit after "COM" names the port, so only COM1..COM9 can be reached.
    const QString entry = m_comCombo->itemText(index);
    if (entry.size() < 4 || !entry.at(3).isDigit())
        return std::string();
    return "COM" + std::string(1, static_cast<char>(entry.at(3).toLatin1()));
}

int MainWindow::selectedBaudRate() const {
    switch (m_baudCombo->currentIndex()) {
    case 0:
        return 2400;
    case 1:
        return 4800;
    case 3:
        return 19200;
    default:
        return 9600;
    }
}

void MainWindow::setSerialOpen(bool open) {
    m_serialOpen = open;
    m_openButton->setText(open ? QStringLiteral("CLOSE") : QStringLiteral("OPEN"));
    m_openButton->setAccessibleName(m_openButton->text());
}

bool MainWindow::openSerialPort(bool refreshList) {
    if (refreshList)
        refreshComList();
    const std::string name = selectedPortName();
    const int baud = selectedBaudRate();
    if (name.empty() || !m_serial.Open(this, name, baud, kParity, kDataBits, kStopBits)) {
        setSerialOpen(false);
        // The title names a port only while one is open.
        setWindowTitle(kCaption);
        return false;
    }
    if (m_serial.settingsRejected())
        m_prompts.show(platform::Prompt::box(kRejectedSettingsCaption, kRejectedSettingsText,
                                             platform::PromptIcon::Information));
    m_serial.SetOwner(this);
    m_serial.StartMonitor();
    m_serial.Purge();
    m_openNode = platform::findDeviceNode(m_serial.devicePath());
    m_lostPort.reset();
    rememberOpenedPort();
    setWindowTitle(
        QStringLiteral("  Matrix V3.5 -- %1:%2,N,8,1").arg(QString::fromStdString(name)).arg(baud));
    setSerialOpen(true);
    return true;
}

void MainWindow::closeSerialPort() {
    m_serial.Close();
    m_lostPort.reset();
    setSerialOpen(false);
}

void MainWindow::onOpenClicked() {
    if (!m_serialOpen) {
        if (!openSerialPort())
            m_prompts.show(platform::Prompt::dialog(openFailureText(kOpenFailedText)));
        return;
    }
    closeSerialPort();
    setWindowTitle(QStringLiteral("  Corvell V3.5"));
}

void MainWindow::onComActivated(int index) {
    closeSerialPort();
    m_settings.selectCom = index;
    saveSetting(SettingsFile::kSelectCom);
    // Opened whether or not it was open before.
    if (!openSerialPort())
        m_prompts.show(platform::Prompt::dialog(openFailureText(kReopenFailedText)));
}

void MainWindow::onBaudActivated(int index) {
    closeSerialPort();
    m_settings.selectBaud = index;
    saveSetting(SettingsFile::kSelectBaud);
    // Give the driver time to let go of the port before it is opened at the new rate.
    if (m_reopenPause.count() > 0)
        QThread::msleep(static_cast<unsigned long>(m_reopenPause.count()));
    if (!openSerialPort())
        m_prompts.show(platform::Prompt::dialog(openFailureText(kReopenFailedText)));
}

bool MainWindow::event(QEvent* e) {
    if (e->type() == static_cast<QEvent::Type>(kUmSerialReceive)) {
        receiveSerialBytes();
        return true;
    }
    if (e->type() == static_cast<QEvent::Type>(kUmSerialEvent)) {
        // Of the other port events only the device's loss matters here.
        if (static_cast<SerialNotification*>(e)->wParam() & platform::serial_event::kDeviceLost)
            onSerialDeviceLost();
        return true;
    }
    return QDialog::event(e);
}

void MainWindow::receiveSerialBytes() {
    std::vector<std::uint8_t> batch;
    std::uint8_t byte = 0;
    while (batch.size() < kMaxDrainBytes && m_serial.Read(&byte, 1) == 1)
        batch.push_back(byte);
    m_accumulator.collectSerial(batch, dispatchContext(), *this);
    showReplyPrompts();
}

void MainWindow::onNetworkPollTick() {
    std::array<std::uint8_t, NetLink::kReceiveSize> buffer{};
    const int received = m_net.Poll(buffer);
    const std::size_t count = received > 0 ? static_cast<std::size_t>(received) : 0;
    m_accumulator.collectNetwork(std::span<const std::uint8_t>(buffer.data(), count),
                                 dispatchContext(), *this);
    showReplyPrompts();
}

DispatchContext MainWindow::dispatchContext() const {
    DispatchContext context;
    context.protocolType = m_settings.protocolType;
    context.deviceAddress = m_deviceAddress;
    context.inputCount = m_layout.portCount;
    context.outputCount = m_layout.portCount;
    return context;
}

void MainWindow::send(const CommandFrame& frame) {
    const auto bytes = frame.bytes();
    sendBytes(bytes.data(), bytes.size(), frame.route() == LinkRoute::SerialOnly);
}

void MainWindow::sendFrame(const std::vector<std::uint8_t>& frame, bool serialOnly) {
    sendBytes(frame.data(), frame.size(), serialOnly);
}

void MainWindow::sendBytes(const std::uint8_t* bytes, std::size_t count, bool serialOnly) {
    if (m_serialOpen)
        m_serial.Write(bytes, count, true);
    if (serialOnly || m_settings.useNet == 0)
        return;
    if (m_net.Send(bytes, count, m_settings.destIp, m_settings.destPort))
        return;
    // Sending stops, and the box shows it, before the message does: a frame sent while the
    // message is open goes to the serial link alone, without a second message. The file keeps
    // its value, so the next start tries the network again; a click turns it on now.
    m_settings.useNet = 0;
    m_useNetCheck->setChecked(false);
    m_prompts.show(platform::Prompt::dialog(kSendFailedText));
}

void MainWindow::sendOutputVideoProperty(std::uint8_t property, std::uint8_t value,
                                         std::uint8_t channel) {
    send(outputPropertyRequest(m_settings.protocolType, m_deviceAddress, property, value, channel));
}

void MainWindow::sendInputProperty(std::uint8_t property, std::uint8_t value,
                                   std::uint8_t channel) {
    send(inputPropertyRequest(m_settings.protocolType, m_deviceAddress, property, value, channel));
}

void MainWindow::restartReplyWatch() {
    m_watch.restart();
    m_replyWatchTimer.start();
}

void MainWindow::onReplyWatchTick() {
    switch (m_watch.tick()) {
    case ReplyWatch::TickResult::ReadDue:
        // Over whichever link is in use, so that an operator on the network alone also sees
        // a loaded scene or where cycling stopped.
        if (m_serialOpen || m_settings.useNet != 0)
            send(readSwitchRequest(m_settings.protocolType, m_deviceAddress,
                                   signalCode(m_settings.matrixType, m_settings.avMode),
                                   m_layout.portCount));
        break;
    case ReplyWatch::TickResult::TimedOut:
        m_replyWatchTimer.stop();
        // A silent device is reported on every link: on the network alone it would otherwise
        // go unnoticed.
        m_prompts.show(platform::Prompt::dialog(kSilentDeviceText));
        break;
    case ReplyWatch::TickResult::Nothing:
        break;
    }
}

void MainWindow::endAwaitedRead() {
    if (m_watch.replyArrived())
        m_replyWatchTimer.stop();
    if (m_readBackObserver) {
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
}

void MainWindow::showPromptText(const std::string& text) {
    // Shown once the collection that raised it is over, never inside another reply's message.
    m_replyPrompts.post(text);
}

void MainWindow::showReplyPrompts() {
    m_replyPrompts.drain(
        [this](const std::string& text) { m_prompts.show(platform::Prompt::dialog(text)); });
}

void MainWindow::forwardInputProperties(const InputPropertiesReport& report) {
    if (!m_setupDialog)
        return;
    // The report's data as the device sent it from offset 4: channel, two bytes the dialog
    // does not use, EDID, crop, aspect ratio.
    InputPropertiesEvent event(
        {report.channel, 0x00, 0x00, report.edid, report.crop, report.aspectRatio});
    QCoreApplication::sendEvent(m_setupDialog, &event);
}

} // namespace controller
