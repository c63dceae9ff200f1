#include "sim/terminal_sim/terminal_sim_options.h"

#include <arpa/inet.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <iterator>
#include <string_view>

namespace sim {

namespace {

bool parseUnsigned(std::string_view text, unsigned long long max, unsigned long long& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size() && value <= max;
}

bool isMulticastGroup(const std::string& text) {
    in_addr address{};
    if (inet_pton(AF_INET, text.c_str(), &address) != 1)
        return false;
    return (ntohl(address.s_addr) >> 28) == 0xE;
}

} // namespace

std::optional<TerminalSimOptions> parseTerminalSimOptions(int argc, const char* const* argv,
                                                          std::string& error) {
    TerminalSimOptions options;
    static constexpr std::string_view kTakesValue[] = {
        "--count", "--seed",      "--from",         "--group",
        "--port",  "--test-port", "--ignore-field", "--drop-writes"};
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--unicast-reply") {
            options.unicastReply = true;
            continue;
        }
        if (option == "--help" || option == "-h") {
            options.help = true;
            continue;
        }
        if (std::find(std::begin(kTakesValue), std::end(kTakesValue), option) ==
            std::end(kTakesValue)) {
            error = "unknown option " + std::string(option);
            return std::nullopt;
        }
        if (i + 1 >= argc) {
            error = std::string(option) + " needs a value";
            return std::nullopt;
        }
        const std::string value = argv[++i];
        unsigned long long number = 0;
        if (option == "--count" && parseUnsigned(value, 65536, number)) {
            options.count = static_cast<int>(number);
        } else if (option == "--seed" && parseUnsigned(value, UINT32_MAX, number)) {
            options.seed = static_cast<std::uint32_t>(number);
        } else if (option == "--from") {
            options.fromFile = value;
        } else if (option == "--group" && isMulticastGroup(value)) {
            options.group = value;
        } else if (option == "--port" && parseUnsigned(value, 65535, number) && number != 0) {
            options.port = static_cast<std::uint16_t>(number);
        } else if (option == "--test-port" && parseUnsigned(value, 65535, number)) {
            options.testPort = static_cast<std::uint16_t>(number);
        } else if (option == "--ignore-field" && SimulatedTerminal::isFieldName(value)) {
            options.ignoredFields.insert(value);
        } else if (option == "--drop-writes" && parseUnsigned(value, 1000000, number)) {
            options.dropWrites = static_cast<int>(number);
        } else {
            error = "cannot use " + std::string(option) + " " + value;
            return std::nullopt;
        }
    }
    return options;
}

} // namespace sim
