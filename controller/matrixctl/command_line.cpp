#include "controller/matrixctl/command_line.h"

#include "controller/protocol/matrix_kinds.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <functional>
#include <limits>
#include <map>

namespace matrixctl {

namespace {

constexpr int kMaxTimeoutMs = 3'600'000;
constexpr int kScenes = 16;
constexpr int kMaxPorts = controller::kMatrixSizes.back().ports;
// The help text's lines stay within this many columns where they are built.
constexpr std::size_t kUsageWidth = 80;

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A decimal number in [low, high], nothing else.
std::optional<long> number(const std::string& text, long low, long high) {
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0])))
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high)
        return std::nullopt;
    return value;
}

// "a, b, c or d", each item in the words `item` gives it.
template <typename List, typename Item>
std::string choices(const List& list, Item item, const char* last = " or ",
                    const char* between = ", ") {
    std::string text;
    for (std::size_t i = 0; i < list.size(); ++i)
        text += std::string(i == 0 ? "" : i + 1 == list.size() ? last : between) + item(list[i]);
    return text;
}

std::string portsText(const controller::MatrixSize& size) {
    return std::to_string(size.ports);
}

std::string baudText(int rate) {
    return std::to_string(rate);
}

std::string quotedName(const controller::MatrixKind& kind) {
    return "\"" + std::string(kind.name) + "\"";
}

std::string shortName(const controller::MatrixKind& kind) {
    return std::string(kind.shortName);
}

// The types whose AV mode chooses a layer: what --layer is for.
std::vector<controller::MatrixKind> layeredKinds() {
    std::vector<controller::MatrixKind> layered;
    for (const controller::MatrixKind& kind : controller::kMatrixKinds)
        if (kind.avLayers)
            layered.push_back(kind);
    return layered;
}

bool isComName(const std::string& text) {
    return text.size() == 4 && text.compare(0, 3, "COM") == 0 && text[3] >= '1' && text[3] <= '9';
}

std::optional<UdpTarget> udpTarget(const std::string& text) {
    const auto colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return std::nullopt;
    const auto port = number(text.substr(colon + 1), 1, 65535);
    if (!port)
        return std::nullopt;
    return UdpTarget{text.substr(0, colon), static_cast<std::uint16_t>(*port)};
}

std::optional<Request> requestFrom(const std::vector<std::string>& words, std::string& error) {
    if (words.empty()) {
        error = "no command given (try --help)";
        return std::nullopt;
    }
    const std::string& name = words[0];
    const std::vector<std::string> args(words.begin() + 1, words.end());
    Request request;
    const auto noArguments = [&](Command command) -> std::optional<Request> {
        if (!args.empty()) {
            error = name + " takes no arguments";
            return std::nullopt;
        }
        request.command = command;
        return request;
    };
    const auto oneFile = [&](Command command) -> std::optional<Request> {
        if (args.size() != 1 || args[0].empty()) {
            error = name + " needs one FILE";
            return std::nullopt;
        }
        request.command = command;
        request.file = args[0];
        return request;
    };

    if (name == "ports")
        return noArguments(Command::Ports);
    if (name == "read")
        return noArguments(Command::Read);
    if (name == "identity")
        return noArguments(Command::Identity);
    if (name == "monitor")
        return noArguments(Command::Monitor);
    if (name == "dump")
        return oneFile(Command::Dump);
    if (name == "restore")
        return oneFile(Command::Restore);
    if (name == "switch") {
        if (args.empty() || args.size() % 2 != 0) {
            error = "switch needs pairs of IN OUT";
            return std::nullopt;
        }
        request.command = Command::Switch;
        for (std::size_t i = 0; i < args.size(); i += 2) {
            const auto in = number(args[i], 1, kMaxPorts);
            const auto out = number(args[i + 1], 1, kMaxPorts);
            if (!in || !out) {
                error = "switch wants inputs and outputs from 1 to 32, not \"" + args[i] + " " +
                        args[i + 1] + "\"";
                return std::nullopt;
            }
            request.switches.emplace_back(static_cast<int>(*in), static_cast<int>(*out));
        }
        return request;
    }
    if (name == "scene") {
        const auto scene = args.size() == 2 ? number(args[1], 1, kScenes) : std::nullopt;
        if (!scene || (args[0] != "save" && args[0] != "load")) {
            error = "scene wants save N or load N, N from 1 to 16";
            return std::nullopt;
        }
        request.command = args[0] == "save" ? Command::SceneSave : Command::SceneLoad;
        request.scene = static_cast<int>(*scene);
        return request;
    }
    if (name == "cycle") {
        if (args.size() != 1 || (args[0] != "start" && args[0] != "stop")) {
            error = "cycle wants start or stop";
            return std::nullopt;
        }
        request.command = args[0] == "start" ? Command::CycleStart : Command::CycleStop;
        return request;
    }
    error = "unknown command \"" + name + "\" (try --help)";
    return std::nullopt;
}

} // namespace

std::optional<Request> parseRequest(const std::vector<std::string>& words, std::string& error) {
    return requestFrom(words, error);
}

ParseResult parseCommandLine(const std::vector<std::string>& args) {
    Invocation invocation;
    Options& o = invocation.options;
    std::vector<std::string> words;
    std::string error;

    // Each option's handler takes its value and says whether it was good; the texts after the
    // option's name say what it wants.
    using Handler = std::function<bool(const std::string&)>;
    const std::map<std::string, std::pair<Handler, std::string>> withValue{
        {"--port",
         {[&](const std::string& v) {
              if (v.empty() || (v[0] != '/' && !isComName(v)))
                  return false;
              o.port = v;
              return true;
          },
          "wants a device path or COM1 to COM9"}},
        {"--baud",
         {[&](const std::string& v) {
              const auto baud = number(v, 0, std::numeric_limits<int>::max());
              if (!baud || !controller::baudIndexOfRate(static_cast<int>(*baud)))
                  return false;
              o.baud = static_cast<int>(*baud);
              return true;
          },
          "wants " + choices(controller::kBaudRates, baudText)}},
        {"--tcp",
         {[&](const std::string& v) {
              o.tcp = udpTarget(v);
              return o.tcp.has_value();
          },
          "wants HOST:PORT, PORT from 1 to 65535"}},
        {"--udp",
         {[&](const std::string& v) {
              o.udp = udpTarget(v);
              return o.udp.has_value();
          },
          "wants HOST:PORT, PORT from 1 to 65535"}},
        {"--local-port",
         {[&](const std::string& v) {
              const auto port = number(v, 0, 65535);
              if (port)
                  o.localPort = static_cast<std::uint16_t>(*port);
              return port.has_value();
          },
          "wants a UDP port from 0 to 65535"}},
        {"--address",
         {[&](const std::string& v) {
              const auto address = lower(v) == "ff" ? std::optional<long>(255) : number(v, 1, 255);
              if (!address || (*address > 8 && *address != 255))
                  return false;
              o.address = static_cast<std::uint8_t>(*address);
              return true;
          },
          "wants 1 to 8, or 255 for every device"}},
        {"--size",
         {[&](const std::string& v) {
              for (std::size_t i = 0; i < controller::kMatrixSizes.size(); ++i) {
                  if (v == portsText(controller::kMatrixSizes[i])) {
                      o.matrixSize = static_cast<int>(i);
                      return true;
                  }
              }
              return false;
          },
          "wants " + choices(controller::kMatrixSizes, portsText)}},
        {"--type",
         {[&](const std::string& v) {
              const controller::MatrixKind* kind = controller::findMatrixKind(v);
              if (kind != nullptr)
                  o.matrixType = controller::matrixTypeOf(*kind);
              return kind != nullptr;
          },
          "wants " + choices(controller::kMatrixKinds, quotedName)}},
        {"--layer",
         {[&](const std::string& v) {
              static const std::map<std::string, int> kLayers{
                  {"video-audio", 0}, {"video", 1}, {"audio", 2}};
              const auto layer = kLayers.find(v);
              if (layer != kLayers.end())
                  o.avMode = layer->second;
              return layer != kLayers.end();
          },
          "wants video-audio, video or audio"}},
        {"--header",
         {[&](const std::string& v) {
              const std::string header = lower(v);
              if (header != "ba" && header != "96")
                  return false;
              o.protocolType = header == "ba" ? 0 : 1;
              return true;
          },
          "wants BA or 96"}},
        {"--timeout",
         {[&](const std::string& v) {
              const auto ms = number(v, 1, kMaxTimeoutMs);
              if (ms)
                  o.timeoutMs = static_cast<int>(*ms);
              return ms.has_value();
          },
          "wants milliseconds from 1 to 3600000"}},
        {"--settings",
         {[&](const std::string& v) {
              if (v.empty())
                  return false;
              o.settingsFile = v;
              return true;
          },
          "wants a file"}},
        {"--server",
         {[&](const std::string& v) {
              if (v.rfind("http://", 0) != 0 && v.rfind("https://", 0) != 0)
                  return false;
              o.server = v;
              return true;
          },
          "wants matrixd's URL, http://HOST:PORT or https://HOST:PORT"}},
        {"--token",
         {[&](const std::string& v) {
              o.token = v;
              return !v.empty();
          },
          "wants matrixd's token"}},
        {"--matrix",
         {[&](const std::string& v) {
              o.matrix = v;
              return !v.empty();
          },
          "wants the name of a matrix of matrixd"}},
    };

    bool onlyWords = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyWords || arg.size() < 2 || arg[0] != '-') {
            words.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyWords = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            invocation.help = true;
            continue;
        }
        if (arg == "--version") {
            invocation.version = true;
            continue;
        }
        if (arg == "--json") {
            o.json = true;
            continue;
        }
        const auto eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const auto option = withValue.find(name);
        if (option == withValue.end()) {
            return {std::nullopt, "unknown option " + name + " (try --help)"};
        }
        std::string value;
        if (eq != std::string::npos) {
            value = arg.substr(eq + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return {std::nullopt, name + " needs a value"};
        }
        if (!option->second.first(value))
            return {std::nullopt, name + " " + option->second.second + ", not \"" + value + "\""};
    }
    if (o.tcp && (o.udp || o.port))
        return {std::nullopt, "--tcp goes alone: not with --udp or --port"};
    if (o.avMode && o.matrixType && !controller::hasAvLayers(*o.matrixType))
        return {std::nullopt,
                "--layer is for " + choices(layeredKinds(), quotedName, " and ") + " only"};
    if (invocation.help || invocation.version)
        return {invocation, ""};
    auto request = requestFrom(words, error);
    if (!request)
        return {std::nullopt, error};
    invocation.request = std::move(*request);
    if (o.server) {
        // matrixd owns the line and its settings: nothing of them is chosen here.
        const std::vector<std::pair<bool, const char*>> lineOptions{
            {o.port.has_value(), "--port"},
            {o.baud.has_value(), "--baud"},
            {o.udp.has_value(), "--udp"},
            {o.tcp.has_value(), "--tcp"},
            {o.localPort.has_value(), "--local-port"},
            {o.address.has_value(), "--address"},
            {o.matrixSize.has_value(), "--size"},
            {o.matrixType.has_value(), "--type"},
            {o.avMode.has_value(), "--layer"},
            {o.protocolType.has_value(), "--header"},
            {o.settingsFile.has_value(), "--settings"}};
        for (const auto& [given, name] : lineOptions)
            if (given)
                return {std::nullopt,
                        std::string(name) + " cannot be used with --server: matrixd owns the line"};
        switch (invocation.request.command) {
        case Command::Ports:
        case Command::Identity:
        case Command::CycleStart:
        case Command::CycleStop:
            return {std::nullopt, words[0] + " cannot go through matrixd (--server)"};
        default:
            break;
        }
    } else if (o.token || o.matrix) {
        return {std::nullopt,
                std::string(o.token ? "--token" : "--matrix") + " goes with --server"};
    }
    return {invocation, ""};
}

std::string usageText() {
    using controller::MatrixKind;
    // The --type text, wrapped under its column: every name, then every short name.
    std::vector<std::string> names;
    for (std::size_t i = 0; i < controller::kMatrixKinds.size(); ++i) {
        const MatrixKind& kind = controller::kMatrixKinds[i];
        const std::size_t left = controller::kMatrixKinds.size() - i - 1;
        names.push_back(quotedName(kind) + (left > 1 ? "," : left == 1 ? " or" : ""));
    }
    for (std::size_t i = 0; i < controller::kMatrixKinds.size(); ++i) {
        const std::string name = shortName(controller::kMatrixKinds[i]);
        names.push_back((i == 0 ? "(or " : "") + name +
                        (i + 1 < controller::kMatrixKinds.size() ? "," : ")"));
    }
    const std::string column(23, ' ');
    std::string typeText = "  --type NAME          ";
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0 && typeText.size() - lineStart + 1 + names[i].size() > kUsageWidth) {
            typeText += "\n" + column;
            lineStart = typeText.size() - column.size();
        } else if (i > 0) {
            typeText += ' ';
        }
        typeText += names[i];
    }
    const auto plainName = [](const MatrixKind& kind) { return std::string(kind.name); };

    return R"(usage: matrixctl [options] COMMAND [ARGS]
Controls one matrix switcher, as Brisvane does, from scripts and the command line.
Options not given come from Brisvane's settings file, so the command talks to the same matrix.

options:
  --port DEVICE|COMn   serial device, or COM1 to COM9 mapped as Brisvane maps them
  --baud )" +
           choices(controller::kBaudRates, baudText, "|", "|") +
           R"(
  --udp HOST:PORT      through a serial-to-Ethernet terminal instead
  --tcp HOST:PORT      through a terminal in "TCP  Server" mode (not with --udp, --port)
  --local-port P       local UDP port the terminal answers to (Brisvane's HostPort)
  --address 1..8|255   device address (1; 255 for every device)
  --size )" +
           choices(controller::kMatrixSizes, portsText, "|", "|") +
           R"(     inputs and outputs
)" + typeText +
           R"(
  --layer video-audio|video|audio   signal layer ()" +
           choices(layeredKinds(), plainName, " and ") + R"( only)
  --header BA|96       frame header
  --timeout MS         how long to wait for each answer (1000)
  --json               print JSON (read, identity, scene load, cycle, ports, monitor)
  --settings FILE      Brisvane's settings file to take the rest from
  --server URL         through matrixd (http://HOST:PORT) instead of the line, for
                       switch, read, scene, dump, restore and monitor
  --token TOKEN        matrixd's token (else the environment's MATRIXD_TOKEN)
  --matrix NAME        the matrix of matrixd (needed when it has more than one)
  --help, --version

commands:
  ports                    serial devices found: COM entry, path, stable name, description
  switch IN OUT [IN OUT...]  numbered from 1 as on screen; waits for each answer
  read                     output -> input for every output, with the ports' names
  identity                 the device's identity
  scene save N | scene load N    (1..16; load then reads back)
  cycle start | cycle stop       (then reads back)
  dump FILE                read, then write the crosspoints as JSON ("-": standard output)
  restore FILE             switch every output to the file's input, read back and compare
  monitor                  every frame sent and received, timestamped and decoded, until
                           interrupted; commands typed on standard input are sent

exit status: 0 the device confirmed, 1 it did not answer in time or answered otherwise,
2 a usage or connection error; one line on standard error says why.
)";
}

} // namespace matrixctl
