#include "controller/session/matrix_session.h"

#include "controller/link/tcp_link.h"
#include "controller/link/udp_link.h"
#include "platform/host_address.h"

namespace controller {

const NetworkTransport& MatrixSession::transport() const {
    return findTransport(m_settings.transport);
}

NetworkLinkConfig MatrixSession::networkLinkConfig() const {
    return {m_settings.destIp, m_settings.destPort, m_settings.hostPort};
}

bool MatrixSession::createNetwork() {
    const std::optional<std::string> address =
        m_config.hostAddress ? m_config.hostAddress() : platform::detectHostAddress();
    if (address)
        m_settings.netIp = address->empty() ? "127.0.0.1" : *address;
    m_networkMade = true;
    makeNetworkLink();
    // A link that listens (UDP) takes its port now, for good; one that connects (TCP) connects
    // while sending over it is on.
    if (transport().bindsLocalPort)
        return m_network->open();
    return m_settings.useNet == 0 || m_network->open();
}

void MatrixSession::makeNetworkLink() {
    if (m_network) {
        m_network->setEvents(nullptr);
        m_network->close();
        m_buffers.erase(m_network.get());
    }
    m_network = transport().make(networkLinkConfig());
    if (auto* udp = dynamic_cast<UdpLink*>(m_network.get()))
        udp->setPollPeriod(m_networkPollPeriod);
    if (auto* tcp = dynamic_cast<TcpLink*>(m_network.get()))
        tcp->setTimes(m_connectLimit, m_firstRetry);
    m_network->setEvents(this);
}

void MatrixSession::setTransport(const NetworkTransport& chosen) {
    NetworkSettings net = networkSettings();
    net.transport = std::string(chosen.name);
    setNetworkSettings(net);
}

void MatrixSession::reopenNetworkLink() {
    makeNetworkLink();
    if (transport().bindsLocalPort || m_settings.useNet != 0)
        m_network->open();
}

bool MatrixSession::networkInUse() const {
    return m_settings.useNet != 0 && (!m_network || m_network->ready());
}

std::uint16_t MatrixSession::networkLocalPort() const {
    const auto* udp = dynamic_cast<const UdpLink*>(m_network.get());
    return udp ? udp->localPort() : 0;
}

std::string MatrixSession::lastDatagramSender() const {
    const auto* udp = dynamic_cast<const UdpLink*>(m_network.get());
    return udp ? udp->lastSender() : std::string();
}

void MatrixSession::onNetworkPollTick() {
    if (auto* udp = dynamic_cast<UdpLink*>(m_network.get()))
        udp->onPollTick();
}

bool MatrixSession::networkPollActive() const {
    const auto* udp = dynamic_cast<const UdpLink*>(m_network.get());
    return udp && udp->polling();
}

void MatrixSession::linkLost(Link& link, const std::string& reason) {
    if (&link == &m_serial) {
        m_serialOpen = false;
        m_listener.portClosed();
        m_listener.portLost(portName(), devicePath());
        return;
    }
    m_listener.networkLost(link.info(), reason);
}

void MatrixSession::linkReturned(Link& link) {
    if (&link == &m_serial) {
        portIsOpen();
        m_listener.portReturned();
    } else {
        bufferOf(link).reset();
        m_listener.networkReturned(link.info());
    }
    // What happened while it was away, the state says.
    m_watch.restartAfresh();
    m_replyWatchTimer.start();
}

} // namespace controller
