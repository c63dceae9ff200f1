#include "controller/session/matrix_session.h"

#include "controller/protocol/switch_requests.h"

namespace controller {

namespace {

// Ticks before the reply watch reads back: a 32x32 read-back takes longer to answer.
int readBackDelay(int matrixSize) {
    return portCountForMatrixSize(matrixSize) == 32 ? 4 : 2;
}

} // namespace

void MatrixSession::loadSettings() {
    m_settings =
        m_config.readOnly ? m_settingsFile.read() : m_settingsFile.load(m_settingsMessages);
    // A size outside the list would leave the grid and the read-back request without a port
    // count; the file keeps its value until the size is changed.
    if (!portsOfSizeIndex(m_settings.matrixSize))
        m_settings.matrixSize = 0;
    m_watch.setDelay(readBackDelay(m_settings.matrixSize));
    m_names.load();
}

void MatrixSession::saveSetting(int item) {
    if (!m_config.readOnly)
        m_settingsFile.save(item, m_settings, m_settingsMessages);
}

int MatrixSession::portCount() const {
    return portCountForMatrixSize(m_settings.matrixSize);
}

bool MatrixSession::setMatrixSize(int ports) {
    const std::optional<int> index = sizeIndexOfPorts(ports);
    if (!index)
        return false;
    m_settings.matrixSize = *index;
    m_watch.setDelay(readBackDelay(*index));
    saveSetting(SettingsFile::kMatrixSize);
    return true;
}

const MatrixKind* MatrixSession::matrixKind() const {
    return matrixKindAt(m_settings.matrixType);
}

bool MatrixSession::setMatrixKind(const MatrixKind& kind) {
    m_settings.matrixType = matrixTypeOf(kind);
    if (kind.avLayers)
        m_settings.avMode = 1;
    saveSetting(SettingsFile::kMatrixType);
    // The forced mode is saved too: after a restart, switches must go to the layer shown now.
    if (kind.avLayers)
        saveSetting(SettingsFile::kAvMode);
    return kind.avLayers;
}

void MatrixSession::setAvMode(int mode) {
    m_settings.avMode = mode;
    saveSetting(SettingsFile::kAvMode);
}

void MatrixSession::setUseNet(bool on) {
    m_settings.useNet = on ? 1 : 0;
    saveSetting(SettingsFile::kUseNet);
    // A link that connects holds its connection only while it is used: a terminal in "TCP
    // Server" mode serves one client at a time.
    if (m_network && !transport().bindsLocalPort) {
        if (on && !m_network->isOpen() && !m_network->awaitingReturn())
            m_network->open();
        else if (!on)
            m_network->close();
    }
}

void MatrixSession::setHeader(std::uint8_t header) {
    m_settings.protocolType = header == kHeaderBA ? 0 : 1;
}

NetworkSettings MatrixSession::networkSettings() const {
    return {m_settings.netIp,    m_settings.gateIp,   m_settings.destIp,   m_settings.maskIp,
            m_settings.hostPort, m_settings.destPort, m_settings.transport};
}

void MatrixSession::setNetworkSettings(const NetworkSettings& net) {
    m_settings.netIp = net.netIp;
    m_settings.gateIp = net.gateIp;
    m_settings.destIp = net.destIp;
    m_settings.maskIp = net.maskIp;
    m_settings.hostPort = net.hostPort;
    m_settings.destPort = net.destPort;
    const bool otherTransport = &findTransport(net.transport) != &transport();
    m_settings.transport = std::string(findTransport(net.transport).name);
    saveSetting(SettingsFile::kNetwork);
    if (!m_network)
        return;
    // Another transport takes over at once; otherwise the next datagram goes to the new place,
    // or the connection is made anew there.
    if (otherTransport && m_networkMade)
        reopenNetworkLink();
    else
        m_network->setDestination(net.destIp, net.destPort);
}

void MatrixSession::setCycleScenes(std::uint16_t mask) {
    m_settings.sceneRun = mask;
    saveSetting(SettingsFile::kSceneRun);
}

void MatrixSession::setCycleInterval(int interval) {
    m_settings.idleTime = interval;
    saveSetting(SettingsFile::kIdleTime);
}

bool MatrixSession::setPortName(PortKind kind, int number, const std::string& name) {
    if (m_config.readOnly)
        return false;
    return m_names.setName(kind, number, name);
}

} // namespace controller
