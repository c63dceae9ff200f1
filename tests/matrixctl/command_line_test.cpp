#include "controller/matrixctl/command_line.h"
#include "controller/session/crosspoint_file.h"

#include <gtest/gtest.h>

#include <sstream>

namespace matrixctl {
namespace {

using controller::CrosspointFile;
using controller::crosspointJson;
using controller::parseCrosspointJson;

// What a parsed command line chose, in one line, or "error: ..." with the parser's words.
std::string summary(const std::vector<std::string>& args) {
    const ParseResult result = parseCommandLine(args);
    if (!result.invocation)
        return "error: " + result.error;
    const Options& o = result.invocation->options;
    const Request& r = result.invocation->request;
    std::ostringstream s;
    s << "command " << static_cast<int>(r.command);
    for (const auto& [in, out] : r.switches)
        s << " " << in << ">" << out;
    if (r.scene)
        s << " scene " << r.scene;
    if (!r.file.empty())
        s << " file " << r.file;
    if (o.port)
        s << " port " << *o.port;
    if (o.baud)
        s << " baud " << *o.baud;
    if (o.udp)
        s << " udp " << o.udp->host << ":" << o.udp->port;
    if (o.localPort)
        s << " local " << *o.localPort;
    if (o.address)
        s << " address " << int(*o.address);
    if (o.matrixSize)
        s << " size " << *o.matrixSize;
    if (o.matrixType)
        s << " type " << *o.matrixType;
    if (o.avMode)
        s << " layer " << *o.avMode;
    if (o.protocolType)
        s << " header " << *o.protocolType;
    if (o.timeoutMs != 1000)
        s << " timeout " << o.timeoutMs;
    if (o.json)
        s << " json";
    if (o.settingsFile)
        s << " settings " << *o.settingsFile;
    if (o.server)
        s << " server " << *o.server << " token " << o.token.value_or("-") << " matrix "
          << o.matrix.value_or("-");
    return s.str();
}

struct ParseCase {
    std::vector<std::string> args;
    std::string expected;
};

class CommandLine : public testing::TestWithParam<ParseCase> {};

TEST_P(CommandLine, ChoosesWhatItSays) {
    EXPECT_EQ(summary(GetParam().args), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLine,
    testing::Values(
        ParseCase{{"switch", "3", "5", "16", "1"}, "command 1 3>5 16>1"},
        ParseCase{{"--port=/dev/ttyUSB0", "read", "--json", "--baud", "19200"},
                  "command 2 port /dev/ttyUSB0 baud 19200 json"},
        ParseCase{{"--udp", "terminal.local:4068", "--local-port", "0", "identity"},
                  "command 3 udp terminal.local:4068 local 0"},
        ParseCase{{"--address", "FF", "--size", "32", "--type", "av", "--layer", "audio",
                   "--header", "96", "--timeout", "250", "cycle", "stop"},
                  "command 7 address 255 size 3 type 0 layer 2 header 1 timeout 250"},
        ParseCase{{"--type", "Hybrid Matrix", "scene", "load", "16"}, "command 5 scene 16 type 5"},
        ParseCase{{"--type=hdmi", "--baud", "2400", "--size", "8", "read"},
                  "command 2 baud 2400 size 1 type 3"},
        ParseCase{{"--type", "VGA", "--layer", "video-audio", "read"}, "command 2 type 1 layer 0"},
        ParseCase{{"--type", "Plasma", "read"},
                  "error: --type wants \"AV Matrix\", \"VGA Matrix\", \"DVI Matrix\", "
                  "\"HDMI Matrix\", \"SDI Matrix\" or \"Hybrid matrix\", not \"Plasma\""},
        ParseCase{{"--size", "6", "read"}, "error: --size wants 4, 8, 16 or 32, not \"6\""},
        ParseCase{{"--settings", "/tmp/S.ini", "dump", "-"},
                  "command 8 file - settings /tmp/S.ini"},
        ParseCase{{"--", "restore", "--odd-name"}, "command 9 file --odd-name"},
        ParseCase{{}, "error: no command given (try --help)"},
        ParseCase{{"switch", "3"}, "error: switch needs pairs of IN OUT"},
        ParseCase{{"switch", "0", "5"},
                  "error: switch wants inputs and outputs from 1 to 32, not \"0 5\""},
        ParseCase{{"scene", "save", "17"}, "error: scene wants save N or load N, N from 1 to 16"},
        ParseCase{{"cycle", "pause"}, "error: cycle wants start or stop"},
        ParseCase{{"read", "now"}, "error: read takes no arguments"},
        ParseCase{{"--port", "COM10", "read"},
                  "error: --port wants a device path or COM1 to COM9, not \"COM10\""},
        ParseCase{{"--baud", "115200", "read"},
                  "error: --baud wants 2400, 4800, 9600 or 19200, not \"115200\""},
        ParseCase{{"--udp", "10.0.0.1", "read"},
                  "error: --udp wants HOST:PORT, PORT from 1 to 65535, not \"10.0.0.1\""},
        ParseCase{{"--address", "9", "read"},
                  "error: --address wants 1 to 8, or 255 for every device, not \"9\""},
        ParseCase{{"--type", "HDMI", "--layer", "video", "read"},
                  "error: --layer is for \"AV Matrix\" and \"VGA Matrix\" only"},
        ParseCase{{"--timeout", "-5", "read"},
                  "error: --timeout wants milliseconds from 1 to 3600000, not \"-5\""},
        ParseCase{{"read", "--size"}, "error: --size needs a value"},
        ParseCase{{"--verbose", "read"}, "error: unknown option --verbose (try --help)"},
        ParseCase{{"reboot"}, "error: unknown command \"reboot\" (try --help)"},
        ParseCase{{"--server", "http://127.0.0.1:8080", "--matrix", "hall-2", "switch", "3", "5"},
                  "command 1 3>5 server http://127.0.0.1:8080 token - matrix hall-2"},
        ParseCase{{"--server=https://matrix.example:8443", "--token", "s3cret", "dump", "-"},
                  "command 8 file - server https://matrix.example:8443 token s3cret matrix -"},
        ParseCase{{"--server", "127.0.0.1:8080", "read"},
                  "error: --server wants matrixd's URL, http://HOST:PORT or https://HOST:PORT, "
                  "not \"127.0.0.1:8080\""},
        ParseCase{{"--server", "http://127.0.0.1:8080", "--port", "/dev/ttyUSB0", "read"},
                  "error: --port cannot be used with --server: matrixd owns the line"},
        ParseCase{{"--server", "http://127.0.0.1:8080", "identity"},
                  "error: identity cannot go through matrixd (--server)"},
        ParseCase{{"--matrix", "hall", "read"}, "error: --matrix goes with --server"}));

// The usage text names every command and option the parser takes.
TEST(CommandLineHelp, NamesEveryCommandAndOption) {
    const std::string usage = usageText();
    for (const char* word : {"--port",   "--baud",      "--udp",      "--local-port", "--address",
                             "--size",   "--type",      "--layer",    "--header",     "--timeout",
                             "--json",   "--settings",  "--help",     "ports",        "switch",
                             "read",     "identity",    "scene save", "--server",     "--token",
                             "--matrix", "cycle start", "dump",       "restore",      "monitor"})
        EXPECT_NE(usage.find(word), std::string::npos) << word;
    // The lists the options take are written out in full, each type under the one before.
    for (const char* line :
         {"\n  --baud 2400|4800|9600|19200\n", "\n  --size 4|8|16|32     inputs and outputs\n",
          "\n  --type NAME          \"AV Matrix\", \"VGA Matrix\", \"DVI Matrix\", \"HDMI "
          "Matrix\",\n"
          "                       \"SDI Matrix\" or \"Hybrid matrix\" (or AV, VGA, DVI, HDMI,\n"
          "                       SDI, Hybrid)\n",
          "\n  --layer video-audio|video|audio   signal layer (AV Matrix and VGA Matrix only)\n"})
        EXPECT_NE(usage.find(line), std::string::npos) << line;
    EXPECT_TRUE(parseCommandLine({"--help"}).invocation->help);
}

struct FileCase {
    std::string text;
    std::string error;
};

class CrosspointFileText : public testing::TestWithParam<FileCase> {};

// What restore is given is checked before anything is sent.
TEST_P(CrosspointFileText, IsRefusedWithItsReason) {
    std::string error;
    EXPECT_FALSE(parseCrosspointJson(GetParam().text, error).has_value());
    EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CrosspointFileText,
    testing::Values(
        FileCase{"{\"size\": 4, \"address\": 1, \"crosspoints\": [",
                 "not JSON: unterminated array at byte 42"},
        FileCase{"[]", "not a JSON object"},
        FileCase{"{\"size\": 6, \"address\": 1, \"crosspoints\": []}",
                 "\"size\" must be 4, 8, 16 or 32"},
        FileCase{"{\"size\": 4, \"address\": 9, \"crosspoints\": []}",
                 "\"address\" must be 1 to 8, or 255"},
        FileCase{"{\"size\": 4, \"address\": 1, \"crosspoints\": {}}",
                 "\"crosspoints\" must be a list"},
        FileCase{"{\"size\": 4, \"address\": 1, \"crosspoints\": [{\"output\": 5, \"input\": 1}]}",
                 "every crosspoint needs an \"output\" and an \"input\" from 1 to 4"},
        FileCase{
            "{\"size\": 4, \"address\": 1, \"crosspoints\": [{\"output\": 2, \"input\": 1.5}]}",
            "every crosspoint needs an \"output\" and an \"input\" from 1 to 4"},
        // Numbers no integer holds are refused, not converted.
        FileCase{"{\"size\": 1e300, \"address\": 1, \"crosspoints\": []}",
                 "\"size\" must be 4, 8, 16 or 32"},
        FileCase{
            "{\"size\": 4, \"address\": 1, \"crosspoints\": [{\"output\": 1e300, \"input\": 1}]}",
            "every crosspoint needs an \"output\" and an \"input\" from 1 to 4"},
        FileCase{
            "{\"size\": 4, \"address\": 1, \"crosspoints\": [{\"output\": 1, \"input\": -1e300}]}",
            "every crosspoint needs an \"output\" and an \"input\" from 1 to 4"},
        FileCase{"{\"size\": 4, \"address\": 1, \"crosspoints\": [{\"output\": 2, \"input\": 1}, "
                 "{\"output\": 2, \"input\": 3}]}",
                 "output 2 is named twice"}));

TEST(CrosspointFileText, ReadsBackWhatDumpWrites) {
    const CrosspointFile file{16, 255, {{1, 16}, {16, 1}}};
    const std::string text = crosspointJson(file);
    EXPECT_EQ(text, "{\"size\": 16, \"address\": 255, \"crosspoints\": [{\"output\": 1, "
                    "\"input\": 16}, {\"output\": 16, \"input\": 1}]}");
    std::string error;
    EXPECT_EQ(parseCrosspointJson(text, error), file) << error;
}

} // namespace
} // namespace matrixctl
