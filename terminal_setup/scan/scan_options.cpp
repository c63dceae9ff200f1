#include "terminal_setup/scan/scan_options.h"

#include "terminal_setup/protocol/terminal_format.h"

#include <charconv>
#include <cmath>

namespace terminal_setup {

namespace {

constexpr double kMaxSeconds = 3600;

std::optional<unsigned> portNumber(const std::string& text, unsigned lowest) {
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < lowest ||
        value > 65535)
        return std::nullopt;
    return value;
}

std::optional<std::chrono::milliseconds> secondsValue(const std::string& text) {
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value) || value <= 0 || value > kMaxSeconds)
        return std::nullopt;
    return std::chrono::milliseconds(static_cast<long long>(std::ceil(value * 1000)));
}

} // namespace

std::optional<ScanOptions> parseScanOptions(const std::vector<std::string>& arguments,
                                            std::string& error) {
    ScanOptions options;
    bool formatChosen = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "--help" || option == "-h") {
            options.help = true;
            continue;
        }
        if (option == "--dry-run") {
            options.dryRun = true;
            continue;
        }
        if (option == "--json" || option == "--csv") {
            if (formatChosen) {
                error = "choose one of --json and --csv";
                return std::nullopt;
            }
            formatChosen = true;
            options.output =
                option == "--json" ? ScanOptions::Output::Json : ScanOptions::Output::Csv;
            continue;
        }
        const bool takesValue = option == "--interface" || option == "--seconds" ||
                                option == "--test" || option == "--host-port" ||
                                option == "--port" || option == "--apply";
        if (!takesValue) {
            error = "unknown option " + option;
            return std::nullopt;
        }
        if (i + 1 >= arguments.size()) {
            error = option + " needs a value";
            return std::nullopt;
        }
        const std::string& value = arguments[++i];
        bool good = !value.empty();
        if (option == "--interface") {
            options.interfaceWanted = value;
        } else if (option == "--test") {
            options.testAddress = value;
            if (good && !parseIpv4(value)) {
                error = "--test " + value + ": not an IPv4 address";
                return std::nullopt;
            }
        } else if (option == "--apply") {
            options.planPath = value;
        } else if (option == "--seconds") {
            const auto duration = secondsValue(value);
            good = duration.has_value();
            if (good)
                options.duration = *duration;
        } else {
            const auto number = portNumber(value, option == "--port" ? 1 : 0);
            good = number.has_value();
            if (good && option == "--port")
                options.port = static_cast<std::uint16_t>(*number);
            else if (good)
                options.hostPort = *number;
        }
        if (!good) {
            error = "cannot use " + option + " " + value;
            return std::nullopt;
        }
    }
    if (options.hostPort && options.testAddress.empty()) {
        error = "--host-port goes with --test";
        return std::nullopt;
    }
    if (options.dryRun && options.planPath.empty()) {
        error = "--dry-run goes with --apply";
        return std::nullopt;
    }
    if (!options.planPath.empty() && (!options.testAddress.empty() || formatChosen)) {
        error = "--apply goes with neither --test nor --json or --csv";
        return std::nullopt;
    }
    return options;
}

} // namespace terminal_setup
