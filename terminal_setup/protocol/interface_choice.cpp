#include "terminal_setup/protocol/interface_choice.h"

#include "terminal_setup/protocol/terminal_format.h"

#include <QHostAddress>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <sstream>

namespace terminal_setup {

namespace {

constexpr unsigned kRouteUp = 0x0001; // RTF_UP

bool qualifies(const NetworkInterface& card) {
    return card.up && card.multicast && !card.ipv4.empty();
}

std::optional<std::uint32_t> ipv4Value(std::string_view dotted) {
    bool ok = false;
    const QHostAddress address(
        QString::fromUtf8(dotted.data(), static_cast<qsizetype>(dotted.size())));
    const std::uint32_t value = address.toIPv4Address(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The broadcast addresses of one entry: the one the system reports and the one its prefix
// gives (a /31 or /32 has none of its own).
std::vector<std::uint32_t> broadcastsOf(const Ipv4Entry& entry) {
    std::vector<std::uint32_t> found;
    if (const auto reported = ipv4Value(entry.broadcast))
        found.push_back(*reported);
    const auto address = ipv4Value(entry.address);
    if (address && entry.prefixLength >= 0 && entry.prefixLength <= 30) {
        const std::uint32_t host =
            entry.prefixLength == 0 ? 0xFFFFFFFFu : (0xFFFFFFFFu >> entry.prefixLength);
        found.push_back(*address | host);
    }
    return found;
}

} // namespace

std::vector<NetworkInterface> usableInterfaces(const std::vector<NetworkInterface>& all) {
    std::vector<NetworkInterface> usable;
    std::copy_if(all.begin(), all.end(), std::back_inserter(usable),
                 [](const NetworkInterface& card) { return qualifies(card) && !card.loopback; });
    if (usable.empty()) {
        std::copy_if(all.begin(), all.end(), std::back_inserter(usable),
                     [](const NetworkInterface& card) { return qualifies(card) && card.loopback; });
    }
    return usable;
}

std::string interfaceLabel(const NetworkInterface& card) {
    const std::string address = card.address();
    return (address.empty() ? std::string() : address + " ") + "(" + card.name + ")";
}

std::string chooseInterface(const std::vector<NetworkInterface>& usable,
                            const std::string& remembered, const std::string& defaultRoute) {
    for (const std::string& wanted : {remembered, defaultRoute}) {
        if (!wanted.empty() && findInterface(usable, wanted))
            return wanted;
    }
    return usable.empty() ? std::string() : usable.front().name;
}

const NetworkInterface* findInterface(const std::vector<NetworkInterface>& interfaces,
                                      const std::string& name) {
    const auto found =
        std::find_if(interfaces.begin(), interfaces.end(),
                     [&](const NetworkInterface& card) { return card.name == name; });
    return found == interfaces.end() ? nullptr : &*found;
}

std::string defaultRouteInterface(std::string_view routeTable) {
    std::istringstream lines{std::string(routeTable)};
    std::string line;
    std::getline(lines, line); // the header
    std::string best;
    unsigned long bestMetric = 0;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string name, destination, gateway, flags, references, use, metric, mask;
        if (!(fields >> name >> destination >> gateway >> flags >> references >> use >> metric >>
              mask))
            continue;
        if (destination != "00000000" || mask != "00000000")
            continue;
        unsigned long flagBits = 0;
        unsigned long metricValue = 0;
        try {
            flagBits = std::stoul(flags, nullptr, 16);
            metricValue = std::stoul(metric, nullptr, 10);
        } catch (const std::exception&) {
            continue;
        }
        if ((flagBits & kRouteUp) == 0)
            continue;
        if (best.empty() || metricValue < bestMetric) {
            best = name;
            bestMetric = metricValue;
        }
    }
    return best;
}

std::optional<MacBytes> parseHardwareAddress(std::string_view text) {
    MacBytes bytes{};
    // Two hex digits per byte, a colon between bytes.
    if (text.size() != bytes.size() * 3 - 1)
        return std::nullopt;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::size_t at = i * 3;
        if (i > 0 && text[at - 1] != ':')
            return std::nullopt;
        const int high = hexDigit(text[at]);
        const int low = hexDigit(text[at + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return bytes;
}

std::string macText(std::string_view hardwareAddress) {
    const auto bytes = parseHardwareAddress(hardwareAddress);
    if (!bytes || std::all_of(bytes->begin(), bytes->end(), [](std::uint8_t b) { return b == 0; }))
        return {};
    return formatMac(*bytes);
}

bool isUnusableTestDestination(std::string_view dotted, const std::vector<NetworkInterface>& all) {
    const auto destination = ipv4Value(dotted);
    if (!destination || *destination == 0 || *destination == 0xFFFFFFFFu)
        return true;
    for (const NetworkInterface& card : all) {
        for (const Ipv4Entry& entry : card.ipv4) {
            const auto broadcasts = broadcastsOf(entry);
            if (std::find(broadcasts.begin(), broadcasts.end(), *destination) != broadcasts.end())
                return true;
        }
    }
    return false;
}

} // namespace terminal_setup
