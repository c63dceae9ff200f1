#include "sim/terminal_sim/simulated_terminal.h"

#include <algorithm>

namespace sim {

SimulatedTerminal::SimulatedTerminal(const Bytes& report) : m_report(report) {
    m_report[0] = 0xEF;
    m_report[1] = 0xFE;
    m_report[kTypeAt] = kReport;
}

std::uint8_t SimulatedTerminal::typeOf(std::span<const std::uint8_t> datagram) {
    if (datagram.size() < kSize || datagram[0] != 0xEF || datagram[1] != 0xFE)
        return 0;
    return datagram[kTypeAt];
}

void SimulatedTerminal::copyFrom(std::span<const std::uint8_t> datagram, std::size_t at,
                                 std::size_t size) {
    std::copy_n(datagram.begin() + static_cast<std::ptrdiff_t>(at), size,
                m_report.begin() + static_cast<std::ptrdiff_t>(at));
}

bool SimulatedTerminal::takeWrite(std::span<const std::uint8_t> datagram) {
    if (typeOf(datagram) != kWrite ||
        !std::equal(m_report.begin() + kMacAt, m_report.begin() + kMacAt + 6,
                    datagram.begin() + kMacAt))
        return false;
    copyFrom(datagram, kIpAt, 4);
    copyFrom(datagram, kHostIpAt, 4 + 4 + 4);        // host IP, gateway, mask
    copyFrom(datagram, kLocalPortAt, 2 + 2 + 1 + 1); // local port, host port, work mode, baud
    copyFrom(datagram, kNameAt, 6);
    copyFrom(datagram, kAddressModeAt, 1);
    copyFrom(datagram, kDnsAt, 4);
    return true;
}

bool SimulatedTerminal::takeReset(std::span<const std::uint8_t> datagram) {
    if (typeOf(datagram) != kReset ||
        !std::equal(m_report.begin() + kMacAt, m_report.begin() + kMacAt + 5,
                    datagram.begin() + kMacAt))
        return false;
    const std::uint8_t newId = datagram[kIdAt];
    m_report[kIdAt] = newId;
    m_report[kMacAt + 5] = newId;
    return true;
}

} // namespace sim
