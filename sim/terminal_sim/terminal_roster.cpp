#include "sim/terminal_sim/terminal_roster.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <random>
#include <sstream>
#include <string_view>

namespace sim {

namespace {

using Bytes = SimulatedTerminal::Bytes;

void putText(Bytes& bytes, std::size_t at, std::size_t size, std::string_view text) {
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), size, 0);
    std::copy_n(text.begin(), std::min(size, text.size()),
                bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

void putAddress(Bytes& bytes, std::size_t at, std::array<std::uint8_t, 4> address) {
    std::copy(address.begin(), address.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

void putPort(Bytes& bytes, std::size_t at, std::uint16_t port) {
    bytes[at] = static_cast<std::uint8_t>(port & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>(port >> 8);
}

// The made-up terminal number `index` of a roster drawn from `random`.
Bytes madeUpReport(int index, std::mt19937& random) {
    static constexpr std::array<std::string_view, 8> kNames = {"Hall",  "Lab",  "Stage", "Studio",
                                                               "Lobby", "Room", "Desk",  "Foyer"};
    static constexpr std::array<std::string_view, 4> kModels = {"T10", "T20", "M4", "X"};
    auto next = [&random](std::uint32_t bound) { return random() % bound; };
    const auto hi = static_cast<std::uint8_t>(index >> 8);
    const auto lo = static_cast<std::uint8_t>(index & 0xFF);

    Bytes bytes{};
    bytes[SimulatedTerminal::kHeaderAt] = static_cast<std::uint8_t>(next(256));
    const auto id = static_cast<std::uint8_t>(next(256));
    // Locally administered addresses; the index makes the first five bytes unique.
    const std::array<std::uint8_t, 6> mac = {
        0x02, static_cast<std::uint8_t>(next(256)), static_cast<std::uint8_t>(next(256)), hi, lo,
        id};
    std::copy(mac.begin(), mac.end(), bytes.begin() + SimulatedTerminal::kMacAt);
    // 198.18.0.0/15 is set aside for benchmarking and never routed.
    putAddress(bytes, SimulatedTerminal::kIpAt, {198, 18, hi, lo});
    putAddress(bytes, SimulatedTerminal::kMulticastAt,
               {239, 255, 0, static_cast<std::uint8_t>(next(256))});
    putAddress(bytes, SimulatedTerminal::kHostIpAt, {198, 19, 0, 10});
    putAddress(bytes, SimulatedTerminal::kGatewayAt, {198, 18, 0, 1});
    putAddress(bytes, SimulatedTerminal::kMaskAt, {255, 254, 0, 0});
    putPort(bytes, SimulatedTerminal::kLocalPortAt, static_cast<std::uint16_t>(8866 + next(4)));
    putPort(bytes, SimulatedTerminal::kHostPortAt, static_cast<std::uint16_t>(8000 + next(100)));
    bytes[SimulatedTerminal::kWorkModeAt] = static_cast<std::uint8_t>(next(4));
    bytes[SimulatedTerminal::kBaudAt] = static_cast<std::uint8_t>(next(13));
    bytes[SimulatedTerminal::kIdAt] = id;
    // Names of six letters fill the field without a zero byte, as terminals send them.
    const std::string name = std::string(kNames[next(kNames.size())]) + std::to_string(index + 1);
    putText(bytes, SimulatedTerminal::kNameAt, 6, name);
    putText(bytes, SimulatedTerminal::kModelAt, 3, kModels[next(kModels.size())]);
    bytes[SimulatedTerminal::kAddressModeAt] = static_cast<std::uint8_t>(next(2));
    for (std::size_t i = 0; i < 7; ++i)
        bytes[SimulatedTerminal::kOpaqueAt + i] = static_cast<std::uint8_t>(next(256));
    bytes[SimulatedTerminal::kSoftwareAt] = static_cast<std::uint8_t>(0x10 | next(16));
    bytes[SimulatedTerminal::kHardwareAt] = static_cast<std::uint8_t>(0x10 | next(16));
    putAddress(bytes, SimulatedTerminal::kDnsAt, {198, 18, 0, 53});
    return bytes;
}

bool parseNumber(std::string_view text, unsigned max, unsigned& value) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return ec == std::errc() && end == text.data() + text.size() && value <= max;
}

bool parseAddress(const std::string& text, std::array<std::uint8_t, 4>& address) {
    in_addr parsed{};
    if (inet_pton(AF_INET, text.c_str(), &parsed) != 1)
        return false;
    std::copy_n(reinterpret_cast<const std::uint8_t*>(&parsed.s_addr), 4, address.begin());
    return true;
}

bool parseHexBytes(std::string_view text, std::size_t count, std::uint8_t* out) {
    std::string digits;
    for (char c : text) {
        if (c != ':' && c != '-')
            digits += c;
    }
    if (digits.size() != count * 2)
        return false;
    for (std::size_t i = 0; i < count; ++i) {
        unsigned value = 0;
        const auto [end, ec] =
            std::from_chars(digits.data() + 2 * i, digits.data() + 2 * i + 2, value, 16);
        if (ec != std::errc() || end != digits.data() + 2 * i + 2)
            return false;
        out[i] = static_cast<std::uint8_t>(value);
    }
    return true;
}

bool unescape(std::string_view text, std::string& bytes) {
    bytes.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            std::uint8_t byte = 0;
            if (!parseHexBytes(text.substr(i + 2, 2), 1, &byte))
                return false;
            bytes += static_cast<char>(byte);
            i += 3;
        } else if (text[i] == '\\') {
            return false;
        } else {
            bytes += text[i];
        }
    }
    return true;
}

// "baud,name": fields a terminal of the file ignores in every write.
bool parseIgnored(const std::string& value, SimulatedTerminal::IgnoredFields& fields) {
    std::istringstream names(value);
    std::string name;
    while (std::getline(names, name, ',')) {
        if (!SimulatedTerminal::isFieldName(name))
            return false;
        fields.insert(name);
    }
    return !fields.empty();
}

// Applies one key=value word to `bytes`; false when the key is unknown or the value bad.
bool applyWord(const std::string& key, const std::string& value, Bytes& bytes) {
    using T = SimulatedTerminal;
    std::array<std::uint8_t, 4> address{};
    unsigned number = 0;
    std::string text;
    static constexpr std::array<std::pair<std::string_view, std::size_t>, 6> kAddresses = {
        {{"ip", T::kIpAt},
         {"multicast", T::kMulticastAt},
         {"hostip", T::kHostIpAt},
         {"gateway", T::kGatewayAt},
         {"mask", T::kMaskAt},
         {"dns", T::kDnsAt}}};
    static constexpr std::array<std::pair<std::string_view, std::size_t>, 7> kBytes = {
        {{"header", T::kHeaderAt},
         {"workmode", T::kWorkModeAt},
         {"baud", T::kBaudAt},
         {"id", T::kIdAt},
         {"addressmode", T::kAddressModeAt},
         {"sw", T::kSoftwareAt},
         {"hw", T::kHardwareAt}}};
    for (const auto& [name, at] : kAddresses) {
        if (key == name) {
            if (!parseAddress(value, address))
                return false;
            putAddress(bytes, at, address);
            return true;
        }
    }
    for (const auto& [name, at] : kBytes) {
        if (key == name) {
            if (!parseNumber(value, 255, number))
                return false;
            bytes[at] = static_cast<std::uint8_t>(number);
            return true;
        }
    }
    if (key == "port" || key == "hostport") {
        if (!parseNumber(value, 65535, number))
            return false;
        putPort(bytes, key == "port" ? T::kLocalPortAt : T::kHostPortAt,
                static_cast<std::uint16_t>(number));
        return true;
    }
    if (key == "mac")
        return parseHexBytes(value, 6, bytes.data() + T::kMacAt);
    if (key == "opaque")
        return parseHexBytes(value, 7, bytes.data() + T::kOpaqueAt);
    if (key == "name" || key == "model") {
        const std::size_t size = key == "name" ? 6 : 3;
        if (!unescape(value, text) || text.size() > size)
            return false;
        putText(bytes, key == "name" ? T::kNameAt : T::kModelAt, size, text);
        return true;
    }
    return false;
}

} // namespace

std::vector<SimulatedTerminal> makeTerminals(int count, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<SimulatedTerminal> terminals;
    terminals.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i)
        terminals.emplace_back(madeUpReport(i, random));
    return terminals;
}

std::vector<SimulatedTerminal> readTerminals(std::istream& in, std::uint32_t seed,
                                             std::string& error) {
    std::mt19937 random(seed);
    std::vector<SimulatedTerminal> terminals;
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#')
            continue;
        Bytes bytes = madeUpReport(static_cast<int>(terminals.size()), random);
        SimulatedTerminal::IgnoredFields ignored;
        std::istringstream words(line);
        std::string word;
        while (words >> word) {
            const auto equals = word.find('=');
            const std::string key = word.substr(0, equals);
            const std::string value = equals == std::string::npos ? "" : word.substr(equals + 1);
            const bool good =
                equals != std::string::npos &&
                (key == "ignore" ? parseIgnored(value, ignored) : applyWord(key, value, bytes));
            if (!good) {
                error = "line " + std::to_string(lineNumber) + ": cannot use \"" + word + "\"";
                return {};
            }
        }
        terminals.emplace_back(bytes);
        terminals.back().ignoreFields(ignored);
    }
    return terminals;
}

} // namespace sim
