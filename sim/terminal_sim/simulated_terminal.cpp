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

namespace {

struct WriteField {
    std::string_view name;
    std::size_t at;
    std::size_t size;
};

// Every field a configuration write carries.
constexpr std::array<WriteField, 11> kWriteFields = {{
    {"ip", SimulatedTerminal::kIpAt, 4},
    {"host_ip", SimulatedTerminal::kHostIpAt, 4},
    {"gateway", SimulatedTerminal::kGatewayAt, 4},
    {"mask", SimulatedTerminal::kMaskAt, 4},
    {"port", SimulatedTerminal::kLocalPortAt, 2},
    {"host_port", SimulatedTerminal::kHostPortAt, 2},
    {"mode", SimulatedTerminal::kWorkModeAt, 1},
    {"baud", SimulatedTerminal::kBaudAt, 1},
    {"name", SimulatedTerminal::kNameAt, 6},
    {"dhcp", SimulatedTerminal::kAddressModeAt, 1},
    {"dns", SimulatedTerminal::kDnsAt, 4},
}};

} // namespace

bool SimulatedTerminal::isFieldName(std::string_view name) {
    return name == "id" || std::any_of(kWriteFields.begin(), kWriteFields.end(),
                                       [name](const WriteField& f) { return f.name == name; });
}

SimulatedTerminal::Write SimulatedTerminal::takeWrite(std::span<const std::uint8_t> datagram,
                                                      const IgnoredFields& ignored) {
    if (typeOf(datagram) != kWrite ||
        !std::equal(m_report.begin() + kMacAt, m_report.begin() + kMacAt + 6,
                    datagram.begin() + kMacAt))
        return Write::NotAddressed;
    if (m_writesToDrop > 0) {
        --m_writesToDrop;
        return Write::Dropped;
    }
    for (const WriteField& field : kWriteFields) {
        if (!ignored.contains(field.name) && !m_ignored.contains(field.name))
            copyFrom(datagram, field.at, field.size);
    }
    return Write::Taken;
}

bool SimulatedTerminal::takeReset(std::span<const std::uint8_t> datagram,
                                  const IgnoredFields& ignored) {
    if (typeOf(datagram) != kReset ||
        !std::equal(m_report.begin() + kMacAt, m_report.begin() + kMacAt + 5,
                    datagram.begin() + kMacAt))
        return false;
    if (ignored.contains("id") || m_ignored.contains("id"))
        return true;
    const std::uint8_t newId = datagram[kIdAt];
    m_report[kIdAt] = newId;
    m_report[kMacAt + 5] = newId;
    return true;
}

} // namespace sim
