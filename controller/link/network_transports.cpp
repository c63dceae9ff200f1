#include "controller/link/network_transports.h"

#include "controller/link/tcp_link.h"
#include "controller/link/udp_link.h"

#include <QtCore/qglobal.h>

#include <algorithm>
#include <array>
#include <cctype>

namespace controller {

namespace {

std::unique_ptr<NetworkLink> makeUdp(const NetworkLinkConfig& config) {
    auto link = std::make_unique<UdpLink>();
    link->setLocalPort(config.localPort);
    link->setDestination(config.destIp, config.destPort);
    return link;
}

std::unique_ptr<NetworkLink> makeTcp(const NetworkLinkConfig& config) {
    auto link = std::make_unique<TcpLink>();
    link->setDestination(config.destIp, config.destPort);
    return link;
}

const std::array<NetworkTransport, 2> kTransports{{
    {"UDP", true, makeUdp},
    {"TCP", false, makeTcp},
}};

bool sameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

std::span<const NetworkTransport> networkTransports() {
    return kTransports;
}

const NetworkTransport& findTransport(std::string_view name) {
    for (const NetworkTransport& transport : kTransports)
        if (sameName(transport.name, name))
            return transport;
    return kTransports.front();
}

} // namespace controller
