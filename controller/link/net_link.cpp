#include "controller/link/net_link.h"

#include <QHostAddress>
#include <QUdpSocket>
#include <arpa/inet.h>
#include <sys/socket.h>

namespace controller {

NetLink::NetLink() = default;

NetLink::~NetLink() = default;

bool NetLink::Create(std::int32_t hostPort) {
    if (m_socket)
        return true;
    auto socket = std::make_unique<QUdpSocket>();
    const auto port = static_cast<quint16>(static_cast<std::uint32_t>(hostPort));
    if (!socket->bind(QHostAddress(QHostAddress::AnyIPv4), port,
                      QAbstractSocket::DontShareAddress)) {
        m_lastError = socket->errorString().toStdString();
        return false;
    }
    // Qt allows broadcasts on every UDP socket; a socket of the original platform refuses them
    // unless asked, so a destination that is a broadcast address fails instead of reaching
    // every host on a network.
    const int off = 0;
    ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_BROADCAST, &off,
                 sizeof off);
    m_socket = std::move(socket);
    return true;
}

bool NetLink::Send(const std::uint8_t* bytes, std::size_t count, const std::string& destIp,
                   std::int32_t destPort) {
    if (!m_socket) {
        m_lastError = "no socket";
        return false;
    }
    // Strictly four decimal numbers: the lenient forms of the classic conversion would turn
    // text such as "1" or "0x7f.1" into some address, and an unparsable one into 255.255.255.255.
    in_addr destination{};
    if (::inet_pton(AF_INET, destIp.c_str(), &destination) != 1) {
        m_lastError = "\"" + destIp + "\" is not an IPv4 address";
        return false;
    }
    // 0.0.0.0 (a blank address field) would reach this very machine on Linux, not a terminal.
    if (destination.s_addr == INADDR_BROADCAST || destination.s_addr == INADDR_ANY) {
        m_lastError = destIp + " is not an address a terminal can have";
        return false;
    }
    const auto port = static_cast<quint16>(static_cast<std::uint32_t>(destPort));
    static const char kNothing = 0;
    const char* data = bytes != nullptr ? reinterpret_cast<const char*>(bytes) : &kNothing;
    const qint64 sent = m_socket->writeDatagram(data, bytes != nullptr ? qint64(count) : 0,
                                                QHostAddress(ntohl(destination.s_addr)), port);
    if (sent < 0) {
        m_lastError = m_socket->errorString().toStdString();
        return false;
    }
    return true;
}

int NetLink::Poll(std::span<std::uint8_t, kReceiveSize> buffer) {
    if (!m_socket || !m_socket->hasPendingDatagrams())
        return -1;
    if (m_socket->pendingDatagramSize() > static_cast<qint64>(buffer.size())) {
        m_socket->readDatagram(nullptr, 0);
        return -1;
    }
    QHostAddress sender;
    quint16 senderPort = 0;
    const qint64 got = m_socket->readDatagram(reinterpret_cast<char*>(buffer.data()),
                                              qint64(buffer.size()), &sender, &senderPort);
    if (got < 0)
        return -1;
    m_lastSender = sender.toString().toStdString() + ":" + std::to_string(senderPort);
    return static_cast<int>(got);
}

std::uint16_t NetLink::localPort() const {
    return m_socket ? m_socket->localPort() : 0;
}

} // namespace controller
