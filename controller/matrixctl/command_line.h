#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace matrixctl {

enum class Command {
    Ports,
    Switch,
    Read,
    Identity,
    SceneSave,
    SceneLoad,
    CycleStart,
    CycleStop,
    Dump,
    Restore,
    Monitor,
};

// A serial-to-Ethernet terminal: a host name or dotted address, and its UDP port.
struct UdpTarget {
    std::string host;
    std::uint16_t port = 0;
    bool operator==(const UdpTarget&) const = default;
};

// What the command line chose; every option not given is left to Brisvane's settings file.
struct Options {
    std::optional<std::string> port; // a device path, or "COM1" to "COM9"
    std::optional<int> baud;         // 2400, 4800, 9600 or 19200
    std::optional<UdpTarget> udp;
    std::optional<UdpTarget> tcp; // a terminal in "TCP  Server" mode
    std::optional<std::uint16_t> localPort;
    std::optional<std::uint8_t> address; // 1 to 8, or 255
    std::optional<int> matrixSize;       // the size list index: 0 4x4 .. 3 32x32
    std::optional<int> matrixType;       // the type list index: 0 "AV Matrix" .. 5 "Hybrid matrix"
    std::optional<int> avMode;           // 0 video and audio, 1 video, 2 audio
    std::optional<int> protocolType;     // 0 header 0xBA, 1 header 0x96
    int timeoutMs = 1000;
    bool json = false;
    std::optional<std::string> settingsFile;
    // Through matrixd instead of the line: its base URL ("http://127.0.0.1:8080"), its token
    // (else the MATRIXD_TOKEN environment variable) and the matrix's name there.
    std::optional<std::string> server;
    std::optional<std::string> token;
    std::optional<std::string> matrix;
};

// One command and its arguments, numbered from 1 as on screen.
struct Request {
    Command command = Command::Read;
    std::vector<std::pair<int, int>> switches; // (input, output) for Switch
    int scene = 0;                             // 1 to 16 for SceneSave and SceneLoad
    std::string file;                          // Dump and Restore; "-" is standard output/input
};

struct Invocation {
    Options options;
    Request request;
    bool help = false;
    bool version = false;
};

// The command line without the program's name. Options may stand before or after the command;
// "--name=value" and "--name value" are both taken. On failure `error` says what is wrong in one
// line, and the invocation is empty.
struct ParseResult {
    std::optional<Invocation> invocation;
    std::string error;
};
ParseResult parseCommandLine(const std::vector<std::string>& args);

// A command and its arguments alone ("switch 3 5", "scene load 2"), as monitor reads them from
// its standard input.
std::optional<Request> parseRequest(const std::vector<std::string>& words, std::string& error);

// The text of --help.
std::string usageText();

} // namespace matrixctl
