#include "sim/matrix_sim/matrix_options.h"

#include "controller/protocol/matrix_kinds.h"
#include "sim/matrix_sim/device_frame.h"

#include <cerrno>
#include <cstdlib>

namespace sim {

namespace {

constexpr long kLongestDelayMs = 60'000;
constexpr long kMaxPorts = 32;

bool ParseNumber(const std::string& text, long low, long high, long* value) {
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < low || parsed > high)
        return false;
    *value = parsed;
    return true;
}

} // namespace

std::string MatrixUsage() {
    return "usage: matrix-sim [--serial LINK] [--udp PORT] [--tcp PORT] [options]\n"
           "A simulated matrix switcher. At least one of --serial, --udp and --tcp is needed.\n"
           "  --serial LINK          make LINK a symbolic link to a new pseudo-terminal and\n"
           "                         serve frames on it\n"
           "  --udp PORT             serve frames as datagrams on 127.0.0.1:PORT (0: any port)\n"
           "  --tcp PORT             serve one controller at a time as a byte stream on\n"
           "                         127.0.0.1:PORT, as a terminal in \"TCP  Server\" mode (0: "
           "any)\n"
           "  --size 4|8|16|32       inputs and outputs (8)\n"
           "  --type NAME            device type: a name such as \"HDMI Matrix\" or HDMI (any\n"
           "                         letter case), or a code such as A6 (HDMI Matrix)\n"
           "  --address 1..8         device address (1)\n"
           "  --header BA|96         the device's header byte (BA)\n"
           "  --log FILE             hex log to FILE instead of standard output\n"
           "  --state FILE           rewrite FILE with the device state after every change\n"
           "  --interval-unit-ms N   length of one cycle-interval unit (1000)\n"
           "  --control SOCKET       take requests on the local socket SOCKET while running:\n"
           "                         \"reset [OPTIONS]\" gives the device these device and fault\n"
           "                         options (the others their defaults) and its state at start\n"
           "                         anew, drops pending answers and unread input, and empties\n"
           "                         the log; answered \"ok\" or \"error: REASON\"\n"
           "faults:\n"
           "  --silent               never answer\n"
           "  --delay-ms N           answer N ms late\n"
           "  --reply-address N      answer with address byte N (0..255)\n"
           "  --split N              answer in pieces of N bytes\n"
           "  --split-pause-ms N     pause between pieces (20)\n"
           "  --double               send every answer twice, back to back\n"
           "  --refuse-output N      output N (from 1) never takes a switch: the device answers\n"
           "                         with the input the output still shows, and its read-back\n"
           "                         keeps it; may be given for several outputs\n"
           "  --wrong-input          every switch is taken as asked, but its answer names the\n"
           "                         next input (the last one wraps round to input 1)\n"
           "  --drop-after N         close a TCP controller's connection after N frames; the\n"
           "                         next one is served again\n"
           "Prints \"ready serial=LINK udp=PORT tcp=PORT control=SOCKET\" once serving; SIGTERM\n"
           "or SIGINT ends it.\n";
}

bool ParseMatrixOptions(const std::vector<std::string>& args, MatrixOptions* options,
                        std::string* error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        auto flag = [&](bool* target) {
            if (inlineValue) {
                *error = name + " takes no value";
                return false;
            }
            *target = true;
            return true;
        };
        std::string value;
        auto takeValue = [&]() {
            if (inlineValue) {
                value = *inlineValue;
                return true;
            }
            if (i + 1 >= args.size()) {
                *error = name + " needs a value";
                return false;
            }
            value = args[++i];
            return true;
        };
        auto number = [&](long low, long high, long* parsed) {
            if (!takeValue())
                return false;
            if (!ParseNumber(value, low, high, parsed)) {
                *error = name + " wants a number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not \"" + value + "\"";
                return false;
            }
            return true;
        };

        long n = 0;
        if (name == "--help" || name == "-h") {
            options->help = true;
        } else if (name == "--serial") {
            if (!takeValue())
                return false;
            if (value.empty()) {
                *error = "--serial needs a path";
                return false;
            }
            options->serialLink = value;
        } else if (name == "--udp") {
            if (!number(0, 65535, &n))
                return false;
            options->udpPort = static_cast<std::uint16_t>(n);
        } else if (name == "--tcp") {
            if (!number(0, 65535, &n))
                return false;
            options->tcpPort = static_cast<std::uint16_t>(n);
        } else if (name == "--drop-after") {
            if (!number(1, 1'000'000, &n))
                return false;
            options->dropAfter = static_cast<std::size_t>(n);
        } else if (name == "--size") {
            if (!takeValue())
                return false;
            if (value != "4" && value != "8" && value != "16" && value != "32") {
                *error = "--size wants 4, 8, 16 or 32, not \"" + value + "\"";
                return false;
            }
            options->size = static_cast<std::uint8_t>(std::atoi(value.c_str()));
        } else if (name == "--type") {
            if (!takeValue())
                return false;
            const auto code = controller::typeCodeFromText(value);
            if (!code) {
                *error = "--type: unknown device type \"" + value + "\"";
                return false;
            }
            options->type = *code;
        } else if (name == "--address") {
            if (!number(1, 8, &n))
                return false;
            options->address = static_cast<std::uint8_t>(n);
        } else if (name == "--header") {
            if (!takeValue())
                return false;
            if (value == "BA" || value == "ba" || value == "0xBA") {
                options->header = kHeaderBA;
            } else if (value == "96" || value == "0x96") {
                options->header = kHeader96;
            } else {
                *error = "--header wants BA or 96, not \"" + value + "\"";
                return false;
            }
        } else if (name == "--log") {
            if (!takeValue())
                return false;
            options->logPath = value;
        } else if (name == "--state") {
            if (!takeValue())
                return false;
            options->statePath = value;
        } else if (name == "--control") {
            if (!takeValue())
                return false;
            if (value.empty()) {
                *error = "--control needs a path";
                return false;
            }
            options->controlPath = value;
        } else if (name == "--interval-unit-ms") {
            if (!number(1, kLongestDelayMs, &n))
                return false;
            options->intervalUnit = std::chrono::milliseconds(n);
        } else if (name == "--silent") {
            if (!flag(&options->silent))
                return false;
        } else if (name == "--delay-ms") {
            if (!number(0, kLongestDelayMs, &n))
                return false;
            options->delay = std::chrono::milliseconds(n);
        } else if (name == "--reply-address") {
            if (!number(0, 255, &n))
                return false;
            options->replyAddress = static_cast<std::uint8_t>(n);
        } else if (name == "--split") {
            if (!number(1, 255, &n))
                return false;
            options->splitBytes = static_cast<std::size_t>(n);
        } else if (name == "--split-pause-ms") {
            if (!number(0, kLongestDelayMs, &n))
                return false;
            options->splitPause = std::chrono::milliseconds(n);
        } else if (name == "--double") {
            if (!flag(&options->doubled))
                return false;
        } else if (name == "--refuse-output") {
            if (!number(1, kMaxPorts, &n))
                return false;
            options->refusedOutputs |= 1u << (n - 1);
        } else if (name == "--wrong-input") {
            if (!flag(&options->wrongInput))
                return false;
        } else {
            *error = "unknown argument \"" + args[i] + "\"";
            return false;
        }
    }
    if (options->size < kMaxPorts && (options->refusedOutputs >> options->size) != 0) {
        *error =
            "--refuse-output: the matrix has only " + std::to_string(options->size) + " outputs";
        return false;
    }
    if (!options->help && options->serialLink.empty() && !options->udpPort && !options->tcpPort) {
        *error = "nothing to serve: give --serial LINK, --udp PORT and/or --tcp PORT";
        return false;
    }
    return true;
}

bool ParseResetOptions(const std::vector<std::string>& args, const MatrixOptions& current,
                       MatrixOptions* options, std::string* error) {
    for (const std::string& arg : args) {
        const std::string name = arg.substr(0, arg.find('='));
        if (name == "--serial" || name == "--udp" || name == "--tcp" || name == "--log" ||
            name == "--state" || name == "--control" || name == "--help" || name == "-h") {
            *error = name + " cannot change while the simulator runs";
            return false;
        }
    }
    MatrixOptions fresh;
    fresh.serialLink = current.serialLink;
    fresh.udpPort = current.udpPort;
    fresh.tcpPort = current.tcpPort;
    fresh.logPath = current.logPath;
    fresh.statePath = current.statePath;
    fresh.controlPath = current.controlPath;
    if (!ParseMatrixOptions(args, &fresh, error))
        return false;
    *options = fresh;
    return true;
}

} // namespace sim
