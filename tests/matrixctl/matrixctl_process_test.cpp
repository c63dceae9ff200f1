// The matrixctl program against a matrix-sim process on a pseudo-terminal and over loopback UDP:
// the frames each command puts on the line (matrix-sim's log), what it prints and its exit
// status. Every run has a settings file of its own that maps COM1 to the simulator and the other
// COM entries to paths that do not exist.
#include "tests/support/shared_matrix_sim.h"
#include "tests/support/temp_dir.h"

#include <QProcess>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sstream>

namespace matrixctl_test {
namespace {

using namespace std::chrono_literals;
using test_support::TempDir;

const char* const kMatrixctl = MATRIX_BIN_DIR "/matrixctl";

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string eightOutputs() {
    std::string text;
    for (int o = 1; o <= 8; ++o)
        text += "output " + std::to_string(o) + ": input " + std::to_string(o) + "\n";
    return text;
}

// An 8x8 "HDMI Matrix" at address 1 unless the case asks for more.
class MatrixctlAgainstSim : public testing::Test {
protected:
    void startSim(const std::vector<std::string>& extra = {}) {
        std::vector<std::string> args{"--size", "8", "--type", "HDMI Matrix"};
        args.insert(args.end(), extra.begin(), extra.end());
        ASSERT_TRUE(m_sim.Reset(args)) << m_sim.error();
        std::string ports = "[Ports]\r\nCOM1=" + m_sim.linkPath() + "\r\n";
        for (int n = 2; n <= 9; ++n)
            ports +=
                "COM" + std::to_string(n) + "=" + m_dir.file("none") + std::to_string(n) + "\r\n";
        TempDir::writeFile(settingsPath(), "[SYSTEM_SET]\r\nSelectCOM=0\r\nSelectBAUD=2\r\n"
                                           "MatrixType=3\r\nMatrixSize=1\r\nUseNet=0\r\n"
                                           "[Net]\r\nHostPort=0\r\n" +
                                               ports);
    }
    std::string settingsPath() const { return m_dir.file("Setting.ini"); }
    std::string udp() const { return "127.0.0.1:" + std::to_string(m_sim.udpPort()); }

    // Runs matrixctl on this test's settings and waits for it to end.
    Outcome run(const std::vector<std::string>& args) {
        QProcess process;
        QStringList arguments{"--settings", QString::fromStdString(settingsPath())};
        for (const std::string& a : args)
            arguments << QString::fromStdString(a);
        process.start(kMatrixctl, arguments);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(30000));
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput().toStdString(),
                process.readAllStandardError().toStdString()};
    }

    // What the simulator received, in order, as "serial BA 01 ..." and "udp BA 01 ...".
    std::vector<std::string> received() const {
        std::vector<std::string> frames;
        std::istringstream log(m_sim.Log());
        for (std::string line; std::getline(log, line);) {
            // "14:03:07.125 serial rx BA 01 ..." and "14:03:07.125 udp rx 127.0.0.1:40053 BA 01
            // ..."
            std::istringstream words(line);
            std::string time, link, direction, bytes;
            words >> time >> link >> direction;
            if (direction != "rx")
                continue;
            if (link == "udp")
                words >> bytes; // the sender
            std::getline(words >> std::ws, bytes);
            frames.push_back(link + " " + bytes);
        }
        return frames;
    }

    TempDir m_dir;
    test_support::SharedMatrixSim m_sim;
};

struct CommandCase {
    const char* name;
    std::vector<std::string> sim;  // matrix-sim's options beyond size and type
    std::vector<std::string> args; // "{udp}" stands for the simulator's HOST:PORT
    int status;
    std::string out;
    std::string err;
    std::vector<std::string> frames;
};

void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << c.name;
}

class EveryCommandAgainstSim : public MatrixctlAgainstSim,
                               public testing::WithParamInterface<CommandCase> {};

TEST_P(EveryCommandAgainstSim, PutsItsFramesOnTheLineAndSaysHowItWent) {
    const CommandCase& c = GetParam();
    startSim(c.sim);
    std::vector<std::string> args;
    for (const std::string& a : c.args)
        args.push_back(a == "{udp}"   ? udp()
                       : a == "{tcp}" ? "127.0.0.1:" + std::to_string(m_sim.tcpPort())
                                      : a);
    const Outcome result = run(args);
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_EQ(result.out, c.out);
    std::string err = c.err;
    if (const auto at = err.find("{dir}"); at != std::string::npos)
        err.replace(at, 5, m_dir.path());
    EXPECT_EQ(result.err, err);
    // The simulator logs a frame before it answers; what matrixctl sent is in by now.
    EXPECT_EQ(received(), c.frames) << m_sim.Log();
}

const std::string kReadSwitch8 = "BA 01 02 0A A6 00 01 02 03 04 05 06 07 89";

INSTANTIATE_TEST_SUITE_P(
    Cases, EveryCommandAgainstSim,
    testing::Values(
        CommandCase{"SwitchPairsOneAfterAnother",
                    {},
                    {"switch", "3", "5", "1", "2"},
                    0,
                    "",
                    "",
                    {"serial BA 01 01 04 A6 04 02 6C", "serial BA 01 01 04 A6 01 00 67"}},
        CommandCase{"SwitchOverUdp",
                    {},
                    {"--udp", "{udp}", "--local-port", "0", "switch", "8", "8"},
                    0,
                    "",
                    "",
                    {"udp BA 01 01 04 A6 07 07 74"}},
        CommandCase{"SwitchOverTcp",
                    {},
                    {"--tcp", "{tcp}", "switch", "8", "8"},
                    0,
                    "",
                    "",
                    {"tcp BA 01 01 04 A6 07 07 74"}},
        CommandCase{"Read", {}, {"read"}, 0, eightOutputs(), "", {"serial " + kReadSwitch8}},
        CommandCase{
            "ReadJsonOverUdp",
            {},
            {"--udp", "{udp}", "--local-port", "0", "--json", "read"},
            0,
            "{\"size\": 8, \"address\": 1, \"crosspoints\": [{\"output\": 1, \"input\": 1}, "
            "{\"output\": 2, \"input\": 2}, {\"output\": 3, \"input\": 3}, {\"output\": 4, "
            "\"input\": 4}, {\"output\": 5, \"input\": 5}, {\"output\": 6, \"input\": 6}, "
            "{\"output\": 7, \"input\": 7}, {\"output\": 8, \"input\": 8}]}\n",
            "",
            {"udp " + kReadSwitch8}},
        CommandCase{"Identity",
                    {},
                    {"identity"},
                    0,
                    "device 1: HDMI Matrix 8 × 8\n",
                    "",
                    {"serial BA FF 14 02 00 00"}},
        CommandCase{"IdentityFindsADeviceAtAnotherAddress",
                    {"--address", "3"},
                    {"--json", "identity"},
                    0,
                    "{\"type\": \"HDMI Matrix\", \"address\": 3, \"size\": [8, 8]}\n",
                    "",
                    {"serial BA FF 14 02 00 00"}},
        CommandCase{"EveryDeviceAddressTakesAnyEcho",
                    {},
                    {"--address", "255", "switch", "2", "2"},
                    0,
                    "",
                    "",
                    {"serial BA FF 01 04 A6 01 01 66"}},
        CommandCase{"AnswerFromAnotherAddressIsSaid",
                    {"--reply-address", "5"},
                    {"--timeout", "300", "read"},
                    1,
                    "",
                    "matrixctl: answer from device 5, not device 1, to the read-back\n",
                    {"serial " + kReadSwitch8}},
        CommandCase{
            "SceneSave", {}, {"scene", "save", "16"}, 0, "", "", {"serial BA 01 11 03 00 10 DF"}},
        CommandCase{"SceneLoadReadsBack",
                    {},
                    {"scene", "load", "1"},
                    0,
                    eightOutputs(),
                    "",
                    {"serial BA 01 15 03 00 01 D4", "serial " + kReadSwitch8}},
        CommandCase{"CycleStopReadsBack",
                    {},
                    {"cycle", "stop"},
                    0,
                    eightOutputs(),
                    "",
                    {"serial BA 01 1A 03 00 FF D7", "serial " + kReadSwitch8}},
        CommandCase{"AddressLayerAndHeaderOfTheOptions",
                    {"--address", "3", "--type", "AV Matrix", "--header", "96"},
                    {"--address", "3", "--type", "AV", "--layer", "audio", "--header", "96",
                     "switch", "1", "1"},
                    0,
                    "",
                    "",
                    {"serial 96 03 01 04 A2 00 00 40"}},
        CommandCase{"SilentDeviceIsReadBackBeforeItFails",
                    {"--silent"},
                    {"--timeout", "300", "switch", "1", "2"},
                    1,
                    "",
                    "matrixctl: no answer from the device within 300 ms to the switch of input 1 "
                    "to output 2\n",
                    {"serial BA 01 01 04 A6 01 00 67", "serial " + kReadSwitch8}},
        CommandCase{"SilentDeviceOverUdp",
                    {"--silent"},
                    {"--udp", "{udp}", "--local-port", "0", "--timeout", "300", "read"},
                    1,
                    "",
                    "matrixctl: no answer from the device within 300 ms to the read-back\n",
                    {"udp " + kReadSwitch8}},
        CommandCase{"EchoNamingAnotherInputIsCheckedByTheReadBack",
                    {"--wrong-input"},
                    {"--timeout", "300", "switch", "3", "5"},
                    0,
                    "",
                    "",
                    {"serial BA 01 01 04 A6 04 02 6C", "serial " + kReadSwitch8}},
        CommandCase{"RefusedSwitch",
                    {"--refuse-output", "5"},
                    {"--timeout", "300", "switch", "3", "5"},
                    1,
                    "",
                    "matrixctl: output 5 shows input 5, not input 3\n",
                    {"serial BA 01 01 04 A6 04 02 6C", "serial " + kReadSwitch8}},
        CommandCase{"InputOutOfRange",
                    {},
                    {"switch", "9", "1"},
                    2,
                    "",
                    "matrixctl: input 9 is out of range: 1 to 8 on this 8 × 8 matrix\n",
                    {}},
        CommandCase{"PortWithoutDevice",
                    {},
                    {"--port", "COM3", "read"},
                    2,
                    "",
                    "matrixctl: cannot open the serial port: COM3 ({dir}/none3): the device is "
                    "not present. Is the adapter plugged in?\n",
                    {}}),
    [](const testing::TestParamInfo<CommandCase>& info) { return std::string(info.param.name); });

// A backup taken with dump goes back with restore: every output is switched to the file's
// input, then read back. An output that does not take is named, and the status says so.
TEST_F(MatrixctlAgainstSim, DumpThenRestoreNamesTheOutputsThatDidNotTake) {
    startSim({"--refuse-output", "2"});
    const std::string backup = m_dir.file("backup.json");
    ASSERT_EQ(run({"--timeout", "300", "switch", "3", "1", "4", "2"}).status, 1); // 2 refuses
    ASSERT_EQ(run({"dump", backup}).status, 0);
    EXPECT_EQ(TempDir::readFile(backup),
              "{\"size\": 8, \"address\": 1, \"crosspoints\": [{\"output\": 1, \"input\": 3}, "
              "{\"output\": 2, \"input\": 2}, {\"output\": 3, \"input\": 3}, {\"output\": 4, "
              "\"input\": 4}, {\"output\": 5, \"input\": 5}, {\"output\": 6, \"input\": 6}, "
              "{\"output\": 7, \"input\": 7}, {\"output\": 8, \"input\": 8}]}\n");
    ASSERT_EQ(run({"switch", "8", "1"}).status, 0);
    ASSERT_EQ(run({"restore", backup}).status, 0);
    EXPECT_TRUE(m_sim.WaitForState("crosspoints", "2 1 2 3 4 5 6 7"));

    TempDir::writeFile(backup, "{\"size\": 8, \"address\": 1, \"crosspoints\": [{\"output\": 2, "
                               "\"input\": 7}, {\"output\": 5, \"input\": 1}]}");
    const Outcome result = run({"--timeout", "300", "restore", backup});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "matrixctl: output 2 did not take: output 2 shows input 2, not 7\n");
    const std::vector<std::string> frames = received();
    ASSERT_GE(frames.size(), 3u);
    EXPECT_EQ(
        std::vector<std::string>(frames.end() - 3, frames.end()),
        (std::vector<std::string>{"serial BA 01 01 04 A6 01 06 6D",
                                  "serial BA 01 01 04 A6 04 00 6A", "serial " + kReadSwitch8}));
    const Outcome sized = run({"--size", "16", "restore", backup});
    EXPECT_EQ(sized.status, 2);
    EXPECT_EQ(sized.err, "matrixctl: " + backup +
                             " holds the crosspoints of a 8 × 8 matrix; this one is 16 × 16\n");
}

// A device still answering an earlier request: its late echo is not taken for the next one's.
TEST_F(MatrixctlAgainstSim, LateAnswerIsNotTakenForTheNextCommands) {
    startSim({"--delay-ms", "1500"});
    EXPECT_EQ(run({"--timeout", "600", "switch", "5", "1"}).status, 1);
    const Outcome next = run({"--timeout", "1000", "switch", "6", "1"});
    EXPECT_EQ(next.status, 0) << next.err;
    EXPECT_EQ(next.err, "");
}

// Without a size from the settings or --size, the device's identity gives it; a device that
// does not say stops the command. Output that cannot be written fails with the system's reason.
TEST_F(MatrixctlAgainstSim, SizeComesFromTheDeviceAndOutputIsChecked) {
    const auto withoutSize = [this] {
        std::string settings = TempDir::readFile(settingsPath());
        settings.erase(settings.find("MatrixSize=1\r\n"), 14);
        TempDir::writeFile(settingsPath(), settings);
    };
    startSim({"--size", "16"});
    withoutSize();
    const Outcome dumped = run({"dump", "-"});
    EXPECT_EQ(dumped.status, 0) << dumped.err;
    EXPECT_NE(dumped.out.find("{\"output\": 16, \"input\": 16}"), std::string::npos) << dumped.out;
    EXPECT_EQ(dumped.err,
              "matrixctl: no --size and no size in the settings: the device reports 16 × 16\n");

    QProcess full;
    full.setStandardOutputFile(QStringLiteral("/dev/full"));
    full.start(kMatrixctl, {"--settings", QString::fromStdString(settingsPath()), "dump", "-"});
    ASSERT_TRUE(full.waitForFinished(30000));
    EXPECT_EQ(full.exitCode(), 2);
    EXPECT_NE(full.readAllStandardError().toStdString().find(
                  "cannot write to standard output: No space left on device"),
              std::string::npos);

    startSim({"--silent"});
    withoutSize();
    const Outcome silent = run({"--timeout", "200", "read"});
    EXPECT_EQ(silent.status, 2);
    EXPECT_EQ(silent.err, "matrixctl: no settings file nor --size gives the matrix size, and the "
                          "device did not say it (identity): give --size\n");
}

// read shows the names Brisvane gave the ports; --json keeps dump's form, without them.
TEST_F(MatrixctlAgainstSim, ReadShowsThePortsNames) {
    startSim();
    TempDir::writeFile(settingsPath(), TempDir::readFile(settingsPath()) +
                                           "[Names]\r\nIn2=Camera 2\r\nOut1=Projector left\r\n");
    ASSERT_EQ(run({"switch", "2", "1"}).status, 0);
    std::string expected = eightOutputs();
    expected.replace(0, expected.find('\n'), "output 1 (Projector left): input 2 (Camera 2)");
    expected.replace(expected.find("output 2: input 2"), 17, "output 2: input 2 (Camera 2)");
    EXPECT_EQ(run({"read"}).out, expected);
    EXPECT_EQ(run({"--json", "read"}).out.find("Camera"), std::string::npos);
}

// monitor shows every frame both ways until it is told to stop; what is typed on its standard
// input is sent.
TEST_F(MatrixctlAgainstSim, MonitorTracesEveryFrameUntilInterrupted) {
    startSim();
    QProcess process;
    process.start(kMatrixctl, {"--settings", QString::fromStdString(settingsPath()), "monitor"});
    ASSERT_TRUE(process.waitForStarted());
    process.write("switch 2 3\nswitch 99\n");
    std::string out;
    for (int i = 0; i < 100 && std::count(out.begin(), out.end(), '\n') < 2; ++i) {
        process.waitForReadyRead(100);
        out += process.readAllStandardOutput().toStdString();
    }
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(10000));
    out += process.readAllStandardOutput().toStdString();
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(process.readAllStandardError().toStdString(),
              "matrixctl: switch needs pairs of IN OUT\n");
    std::istringstream lines(out);
    std::string tx, rx;
    std::getline(lines, tx);
    std::getline(lines, rx);
    // "14:03:07.125 serial tx  ..."
    ASSERT_GT(tx.size(), 13u) << out;
    EXPECT_EQ(tx.substr(13), "serial tx  switch input 2 → output 3, HDMI Matrix (device 1)  "
                             "[BA 01 01 04 A6 02 01 69]");
    EXPECT_EQ(rx.substr(13), "serial rx  switched input 2 → output 3, HDMI Matrix (device 1)  "
                             "[BA 01 01 04 A6 02 01 69]");
}

// Runs without a display: neither Qt Gui nor Qt Widgets may be linked.
TEST(MatrixctlProgram, LinksNeitherQtGuiNorQtWidgets) {
    std::FILE* ldd = ::popen((std::string("ldd ") + kMatrixctl).c_str(), "r");
    ASSERT_NE(ldd, nullptr);
    std::string libraries;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, ldd))
        libraries += buffer;
    ASSERT_EQ(::pclose(ldd), 0) << libraries;
    EXPECT_NE(libraries.find("libQt6Core"), std::string::npos) << libraries;
    EXPECT_EQ(libraries.find("libQt6Gui"), std::string::npos) << libraries;
    EXPECT_EQ(libraries.find("libQt6Widgets"), std::string::npos) << libraries;
}

} // namespace
} // namespace matrixctl_test
