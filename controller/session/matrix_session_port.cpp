#include "controller/session/matrix_session.h"

#include "controller/link/open_failure_text.h"
#include "controller/protocol/matrix_kinds.h"

#include <QThread>

namespace controller {

namespace {

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
    m_serial.setPort(selectedPortName(), selectedBaud());
    return openPortAgain();
}

bool MatrixSession::openPort(const std::string& port, int baud) {
    if (comNumber(port) != 0)
        refreshComPorts();
    m_serial.setPort(port, baud);
    return openPortAgain();
}

bool MatrixSession::openPortAgain() {
    if (!m_serial.open()) {
        m_serialOpen = false;
        m_listener.portOpenFailed();
        return false;
    }
    portIsOpen();
    return true;
}

void MatrixSession::portIsOpen() {
    if (m_serial.settingsRejected())
        m_listener.portSettingsRejected();
    // Whatever the device said before, it said to nobody: the first request starts afresh.
    bufferOf(m_serial).reset();
    rememberOpenedPort();
    m_serialOpen = true;
    m_listener.portOpened(portName(), baud());
}

void MatrixSession::closePort() {
    m_serial.close();
    m_serialOpen = false;
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
    m_serial.watchPresence();
}

std::string MatrixSession::openFailureReason() const {
    if (portName().empty())
        return std::string();
    return controller::openFailureReason(portName(), m_serial.devicePath(), m_serial.lastFailure());
}

void MatrixSession::rememberOpenedPort() {
    const int n = comNumber(portName());
    if (n == 0 || m_config.readOnly)
        return;
    ComPortEntry& entry = m_comEntries[static_cast<std::size_t>(n - 1)];
    if (entry.fromSettings || entry.path.empty())
        return;
    // Kept under its stable name, so that the entry stays with this adapter when another one
    // arrives. A file that cannot be written only costs that.
    if (m_settingsFile.rememberPortPath(portName(), entry.path))
        entry.fromSettings = true;
}

} // namespace controller
