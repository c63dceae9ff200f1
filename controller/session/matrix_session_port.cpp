#include "controller/session/matrix_session.h"

#include "controller/link/open_failure_text.h"
#include "controller/protocol/matrix_kinds.h"

#include <QThread>

namespace controller {

namespace {

// Line settings of every port the session opens: no parity, 8 data bits, 1 stop bit.
constexpr int kParity = 0;
constexpr int kDataBits = 8;
constexpr int kStopBits = 1;

// "COM1".."COM9" to 1..9; 0 for anything else.
int comNumber(const std::string& portName) {
    if (portName.size() != 4 || portName.compare(0, 3, "COM") != 0 || portName[3] < '1' ||
        portName[3] > '9')
        return 0;
    return portName[3] - '0';
}

// The COM list entry's name ("COM1" for index 0); "" for an index the list does not have.
std::string comName(int index) {
    return index >= 0 && index < kComPortCount ? "COM" + std::to_string(index + 1) : std::string();
}

} // namespace

std::string MatrixSession::selectedPortName() const {
    return comName(m_settings.selectCom);
}

int MatrixSession::selectedBaud() const {
    return baudForIndex(m_settings.selectBaud);
}

void MatrixSession::refreshComPorts() {
    m_comEntries =
        mapComPorts(m_config.ports.enumerate, [this](int n) { return m_settingsFile.portPath(n); });
    m_listener.comPortsMapped(m_comEntries);
}

std::string MatrixSession::comPortPath(const std::string& portName) const {
    if (const int n = comNumber(portName))
        return m_comEntries[static_cast<std::size_t>(n - 1)].path;
    // A name that looks like an entry the list does not have stands for no device.
    return portName.rfind("COM", 0) == 0 ? std::string() : portName;
}

bool MatrixSession::openPort() {
    refreshComPorts();
    m_portName = selectedPortName();
    m_baud = selectedBaud();
    return openPortAgain();
}

bool MatrixSession::openPort(const std::string& port, int baud) {
    if (comNumber(port) != 0)
        refreshComPorts();
    m_portName = port;
    m_baud = baud;
    return openPortAgain();
}

bool MatrixSession::openPortAgain() {
    // A failure leaves a lost device awaited: it may still come back.
    if (m_portName.empty() ||
        !m_serial.Open(this, m_portName, m_baud, kParity, kDataBits, kStopBits)) {
        m_serialOpen = false;
        m_listener.portOpenFailed();
        return false;
    }
    if (m_serial.settingsRejected())
        m_listener.portSettingsRejected();
    m_serial.SetOwner(this);
    m_serial.StartMonitor();
    // Whatever the device said before, it said to nobody: the first request starts afresh.
    m_serial.Purge();
    m_accumulator.resetSerial();
    m_openNode = platform::findDeviceNode(m_serial.devicePath());
    m_lostPort.reset();
    rememberOpenedPort();
    m_serialOpen = true;
    m_listener.portOpened(m_portName, m_baud);
    return true;
}

void MatrixSession::closePort() {
    m_serial.Close();
    m_serialOpen = false;
    m_lostPort.reset();
    m_listener.portClosed();
}

bool MatrixSession::selectPort(const std::string& comName) {
    closePort();
    m_settings.selectCom = comNumber(comName) - 1;
    saveSetting(SettingsFile::kSelectCom);
    return openPort();
}

bool MatrixSession::selectBaud(int rate) {
    closePort();
    m_settings.selectBaud = baudIndexOfRate(rate).value_or(m_settings.selectBaud);
    saveSetting(SettingsFile::kSelectBaud);
    // Give the driver time to let go of the port before it is opened at the new rate.
    if (m_reopenPause.count() > 0)
        QThread::msleep(static_cast<unsigned long>(m_reopenPause.count()));
    return openPort();
}

void MatrixSession::watchPortPresence() {
    m_portPresenceTimer.start();
}

std::string MatrixSession::openFailureReason() const {
    if (m_portName.empty())
        return std::string();
    return controller::openFailureReason(m_portName, m_serial.devicePath(), m_serial.lastFailure());
}

void MatrixSession::rememberOpenedPort() {
    const int n = comNumber(m_portName);
    if (n == 0 || m_config.readOnly)
        return;
    ComPortEntry& entry = m_comEntries[static_cast<std::size_t>(n - 1)];
    if (entry.fromSettings || entry.path.empty())
        return;
    // Kept under its stable name, so that the entry stays with this adapter when another one
    // arrives. A file that cannot be written only costs that.
    if (m_settingsFile.rememberPortPath(m_portName, entry.path))
        entry.fromSettings = true;
}

void MatrixSession::onDeviceLost() {
    if (!m_serialOpen)
        return;
    const std::string path = m_serial.devicePath();
    closePort();
    m_lostPort = LostPort{path, m_openNode, false};
    m_listener.portLost(m_portName, path);
}

void MatrixSession::onPortPresenceTick() {
    if (m_serialOpen) {
        // A device node that is gone, or is now another device, has left the open port.
        const auto node = platform::findDeviceNode(m_serial.devicePath());
        if (!node || (m_openNode && node != m_openNode)) {
            onDeviceLost();
            if (m_lostPort && !node)
                m_lostPort->seenAbsent = true;
        }
        return;
    }
    if (!m_lostPort)
        return;
    const auto node = platform::findDeviceNode(m_lostPort->path);
    if (!node) {
        m_lostPort->seenAbsent = true;
        return;
    }
    // The same node, never gone nor made anew: the device has not come back, it just never
    // answers. (A node made anew can return between two ticks, so absence alone is not the test.)
    if (!m_lostPort->seenAbsent && m_lostPort->node && node->sameIncarnation(*m_lostPort->node))
        return;
    // Same port, same rate; a device that is back but cannot be opened yet is tried again at the
    // next tick.
    if (!openPortAgain())
        return;
    m_listener.portReturned();
    restartReplyWatch();
}

} // namespace controller
