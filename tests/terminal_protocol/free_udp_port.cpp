#include "tests/terminal_protocol/free_udp_port.h"

#include <QHostAddress>
#include <QUdpSocket>

namespace terminal_test {

namespace {

bool isFree(std::uint16_t port) {
    QUdpSocket probe;
    return probe.bind(QHostAddress::AnyIPv4, port);
}

} // namespace

std::uint16_t freeUdpPort() {
    QUdpSocket probe;
    probe.bind(QHostAddress::AnyIPv4, 0);
    return probe.localPort();
}

std::uint16_t freeUdpPortAboveAnother() {
    for (;;) {
        const std::uint16_t port = freeUdpPort();
        if (port > 1 && isFree(static_cast<std::uint16_t>(port - 1)))
            return port;
    }
}

} // namespace terminal_test
