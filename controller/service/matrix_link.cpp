#include "controller/service/matrix_link.h"

#include "controller/session/matrix_session.h"

#include <QHostAddress>
#include <QHostInfo>

#include <arpa/inet.h>

namespace matrixd {

namespace {

// The first IPv4 address of a host name or dotted address; empty when it has none.
std::string ipv4Of(const std::string& host) {
    in_addr parsed{};
    if (::inet_pton(AF_INET, host.c_str(), &parsed) == 1)
        return host;
    for (const QHostAddress& address :
         QHostInfo::fromName(QString::fromStdString(host)).addresses())
        if (address.protocol() == QAbstractSocket::IPv4Protocol)
            return address.toString().toStdString();
    return {};
}

std::string oneLine(std::string text) {
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.replace(at, 2, " ");
    return text;
}

} // namespace

std::string connectLink(controller::MatrixSession& session, const LinkAddress& link, int baud,
                        std::uint16_t localPort) {
    switch (link.kind) {
    case LinkAddress::Kind::Serial: {
        if (session.openPort(link.device, baud))
            return {};
        const std::string reason = oneLine(session.openFailureReason());
        return reason.empty() ? "cannot open " + link.device : reason;
    }
    case LinkAddress::Kind::Udp:
    case LinkAddress::Kind::Tcp: {
        if (!session.networkCreated()) {
            controller::NetworkSettings net = session.networkSettings();
            net.destIp = ipv4Of(link.host);
            if (net.destIp.empty())
                return "no IPv4 address is known for " + link.host;
            net.destPort = link.port;
            net.hostPort = localPort;
            net.transport = link.kind == LinkAddress::Kind::Tcp ? "TCP" : "UDP";
            session.setNetworkSettings(net);
            // On: a TCP link connects (in the background) while sending over it is on.
            session.setUseNet(true);
            if (!session.createNetwork())
                return link.kind == LinkAddress::Kind::Tcp
                           ? "cannot connect to " + link.host + ": " + session.networkError()
                           : "cannot use local UDP port " + std::to_string(localPort) + ": " +
                                 session.networkError();
        }
        session.setUseNet(true);
        return {};
    }
    }
    return {};
}

bool linkInUse(const controller::MatrixSession& session, const LinkAddress& link) {
    switch (link.kind) {
    case LinkAddress::Kind::Serial:
        return session.serialOpen();
    case LinkAddress::Kind::Udp:
    case LinkAddress::Kind::Tcp:
        // A TCP link is ready once connected; a UDP one always is, and fails its sends instead.
        return session.networkCreated() && session.settings().useNet != 0 &&
               session.networkLink() && session.networkLink()->ready();
    }
    return false;
}

} // namespace matrixd
