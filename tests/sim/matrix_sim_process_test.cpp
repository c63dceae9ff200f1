// matrix-sim as a program: its command line, ready line, log, link handling and clean exit.

#include "tests/sim/hex_bytes.h"
#include "tests/sim/sim_peers.h"
#include "tests/support/shared_matrix_sim.h"
#include "tests/support/temp_dir.h"

#include <QProcess>
#include <gtest/gtest.h>

#include <cctype>
#include <csignal>
#include <ostream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sim_test {
namespace {

using test_support::SharedMatrixSim;

using namespace std::chrono_literals;

std::string LinkTarget(const std::string& link) {
    char target[256] = {};
    const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

// True for "hh:mm:ss.mmm " followed by `rest`.
bool IsTimestampedLine(const std::string& line, const std::string& rest) {
    if (line.size() != 13 + rest.size() || line.compare(13, std::string::npos, rest) != 0)
        return false;
    for (std::size_t i = 0; i < 12; ++i) {
        const bool separator = i == 2 || i == 5 || i == 8;
        const char expected = i == 8 ? '.' : ':';
        if (separator ? line[i] != expected : !std::isdigit(static_cast<unsigned char>(line[i])))
            return false;
    }
    return line[12] == ' ';
}

bool LogHasLine(const std::string& log, const std::string& rest) {
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        if (IsTimestampedLine(line, rest))
            return true;
    }
    return false;
}

// A matrix-sim of its own, for the tests of how the program starts and stops.
class OwnSim {
public:
    explicit OwnSim(const std::vector<std::string>& args) {
        QStringList arguments;
        for (const std::string& a : args)
            arguments << QString::fromStdString(a);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral(MATRIX_BIN_DIR "/matrix-sim"), arguments);
    }
    ~OwnSim() {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    // Blocks on its output until the ready line; false when it ended first.
    bool WaitReady() {
        while (m_readyLine.empty()) {
            if (!m_process.canReadLine() && !m_process.waitForReadyRead(20000))
                return false;
            while (m_process.canReadLine()) {
                const std::string line = m_process.readLine().toStdString();
                m_output += line;
                if (line.rfind("ready", 0) == 0)
                    m_readyLine = line;
            }
        }
        return true;
    }
    // A "key=value" word of the ready line; empty when absent.
    std::string ReadyField(const std::string& key) const {
        std::istringstream words(m_readyLine);
        for (std::string word; words >> word;)
            if (word.rfind(key + "=", 0) == 0)
                return word.substr(key.size() + 1);
        return {};
    }
    pid_t Pid() const { return static_cast<pid_t>(m_process.processId()); }
    // The exit code once it ended by itself (-1 if it had not after 10 s or crashed).
    int WaitExit() {
        if (!m_process.waitForFinished(10000) || m_process.exitStatus() != QProcess::NormalExit)
            return -1;
        return m_process.exitCode();
    }
    std::string Output() { return m_output += m_process.readAll().toStdString(); }

private:
    QProcess m_process;
    std::string m_readyLine;
    std::string m_output;
};

TEST(ProgramAgainstSim, ServesAPseudoTerminalThroughItsLinkAndAPortTheSystemPicked) {
    SharedMatrixSim sim;
    ASSERT_TRUE(sim.ready()) << sim.error();
    EXPECT_GT(sim.udpPort(), 0);
    EXPECT_EQ(LinkTarget(sim.linkPath()).rfind("/dev/pts/", 0), 0u) << LinkTarget(sim.linkPath());
}

// A reset on the control socket gives the device of the options named, as new: what the device
// before it still had to say is not said, and the transports stay.
TEST(ProgramAgainstSim, ResetForgetsTheDeviceBeforeAndWhatItStillHadToSay) {
    SharedMatrixSim sim({"--delay-ms", "300", "--size", "4"});
    ASSERT_TRUE(sim.ready()) << sim.error();
    UdpPeer peer;
    peer.SendTo(sim.udpPort(), FromHex("BA 01 01 04 A6 00 02 68"));
    ASSERT_TRUE(sim.WaitForState("crosspoints", "2 1 2 3"));
    ASSERT_TRUE(sim.Reset({}));
    EXPECT_FALSE(peer.Receive(500ms).has_value());
    EXPECT_EQ(sim.State("crosspoints"), "0 1 2 3 4 5 6 7");
    EXPECT_EQ(sim.Log().find("rx"), std::string::npos) << sim.Log();
    EXPECT_FALSE(sim.Reset({"--udp", "0"}));
    EXPECT_NE(sim.error().find("--udp cannot change while the simulator runs"), std::string::npos)
        << sim.error();
    EXPECT_FALSE(sim.Reset({"--size", "5"}));
}

TEST(MatrixSimProgram, ServesOnlyTheTransportsAskedFor) {
    test_support::TempDir dir;
    OwnSim udpOnly({"--udp", "0"});
    ASSERT_TRUE(udpOnly.WaitReady()) << udpOnly.Output();
    EXPECT_EQ(udpOnly.ReadyField("serial"), "");
    EXPECT_NE(udpOnly.ReadyField("udp"), "");

    OwnSim serialOnly({"--serial", dir.file("link"), "--log", dir.file("log.txt")});
    ASSERT_TRUE(serialOnly.WaitReady()) << serialOnly.Output();
    EXPECT_EQ(serialOnly.ReadyField("serial"), dir.file("link"));
    EXPECT_EQ(serialOnly.ReadyField("udp"), "");
}

class MatrixSimStopSignal : public testing::TestWithParam<int> {};

TEST_P(MatrixSimStopSignal, EndsCleanlyAndRemovesItsLinkAndSocket) {
    test_support::TempDir dir;
    OwnSim sim({"--serial", dir.file("link"), "--control", dir.file("control")});
    ASSERT_TRUE(sim.WaitReady()) << sim.Output();
    ASSERT_TRUE(test_support::TempDir::exists(dir.file("control")));
    {
        // A program holding the port open must not keep the simulator from stopping.
        SerialPeer port(dir.file("link"));
        ASSERT_TRUE(port.ok());
        ASSERT_EQ(kill(sim.Pid(), GetParam()), 0);
        EXPECT_EQ(sim.WaitExit(), 0) << sim.Output();
    }
    struct stat st {};
    EXPECT_NE(lstat(dir.file("link").c_str(), &st), 0) << "link left behind";
    EXPECT_NE(lstat(dir.file("control").c_str(), &st), 0) << "socket left behind";
}

INSTANTIATE_TEST_SUITE_P(Signals, MatrixSimStopSignal, testing::Values(SIGTERM, SIGINT),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGTERM ? "Sigterm" : "Sigint");
                         });

TEST(MatrixSimProgram, ReplacesAStaleLinkButNeverAnOrdinaryFile) {
    test_support::TempDir dir;
    const std::string stale = dir.file("stale");
    ASSERT_EQ(symlink("/nonexistent/pts", stale.c_str()), 0);
    OwnSim replacing({"--serial", stale});
    ASSERT_TRUE(replacing.WaitReady()) << replacing.Output();
    EXPECT_EQ(LinkTarget(stale).rfind("/dev/pts/", 0), 0u);

    const std::string ordinary = dir.file("ordinary");
    test_support::TempDir::writeFile(ordinary, "keep me");
    OwnSim refusing({"--serial", ordinary});
    EXPECT_EQ(refusing.WaitExit(), 1);
    EXPECT_NE(refusing.Output().find("not a symbolic link"), std::string::npos)
        << refusing.Output();
    EXPECT_EQ(test_support::TempDir::readFile(ordinary), "keep me");
}

TEST(ProgramAgainstSim, PortAlreadyInUseIsReportedAndEndsTheProgram) {
    SharedMatrixSim sim;
    ASSERT_TRUE(sim.ready()) << sim.error();
    const std::string port = std::to_string(sim.udpPort());
    OwnSim second({"--udp", port});
    EXPECT_EQ(second.WaitExit(), 1);
    EXPECT_NE(second.Output().find("bind 127.0.0.1:" + port), std::string::npos) << second.Output();
}

struct BadCommandLine {
    const char* name;
    std::vector<std::string> args;
    const char* complaint;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const BadCommandLine& value, std::ostream* out) {
    *out << value.name;
}

class MatrixSimBadCommandLine : public testing::TestWithParam<BadCommandLine> {};

TEST_P(MatrixSimBadCommandLine, IsRefusedWithAReasonAndExitCodeTwo) {
    OwnSim sim(GetParam().args);
    EXPECT_EQ(sim.WaitExit(), 2);
    EXPECT_NE(sim.Output().find(GetParam().complaint), std::string::npos) << sim.Output();
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, MatrixSimBadCommandLine,
    testing::Values(
        BadCommandLine{"NothingToServe", {"--size", "8"}, "nothing to serve"},
        BadCommandLine{"SizeFive", {"--udp", "0", "--size", "5"}, "--size wants 4, 8, 16 or 32"},
        BadCommandLine{"AddressNine", {"--udp", "0", "--address", "9"}, "--address wants"},
        BadCommandLine{"AddressZero", {"--udp", "0", "--address", "0"}, "--address wants"},
        BadCommandLine{"Header97", {"--udp", "0", "--header", "97"}, "--header wants BA or 96"},
        BadCommandLine{"UnknownType", {"--udp", "0", "--type", "Plasma"}, "unknown device type"},
        BadCommandLine{"PortTooLarge", {"--udp", "70000"}, "--udp wants"},
        BadCommandLine{"PortNotANumber", {"--udp", "12ab"}, "--udp wants"},
        BadCommandLine{"MissingValue", {"--udp"}, "--udp needs a value"},
        BadCommandLine{"UnknownSwitch", {"--udp", "0", "--loud"}, "unknown argument"},
        BadCommandLine{"FlagWithAValue", {"--udp", "0", "--silent=1"}, "takes no value"},
        BadCommandLine{"RefusedOutputZero",
                       {"--udp", "0", "--refuse-output", "0"},
                       "--refuse-output wants a number from 1 to 32"},
        BadCommandLine{"RefusedOutputBeyondTheMatrix",
                       {"--udp", "0", "--refuse-output", "5", "--size", "4"},
                       "the matrix has only 4 outputs"}),
    [](const testing::TestParamInfo<BadCommandLine>& info) {
        return std::string(info.param.name);
    });

TEST(ProgramAgainstSim, LogsEveryFrameReceivedAndSentOnOneTimestampedLine) {
    SharedMatrixSim sim;
    ASSERT_TRUE(sim.ready()) << sim.error();
    SerialPeer port(sim.linkPath());
    port.Write(FromHex("13 BA 01 01 04 A6 04 02 6C"));
    ASSERT_EQ(port.Read(8).size(), 8u);
    port.Write(FromHex("BA 01 01 04 A6 04 02 6D"));
    UdpPeer peer;
    peer.SendTo(sim.udpPort(), FromHex("BA 03 11 03 00 01 D2"));
    peer.SendTo(sim.udpPort(), FromHex("BA FF 14 02 00 00"));
    ASSERT_TRUE(peer.Receive().has_value());

    const std::string log = sim.Log();
    EXPECT_TRUE(LogHasLine(log, "serial noise 13")) << log;
    EXPECT_TRUE(LogHasLine(log, "serial rx BA 01 01 04 A6 04 02 6C")) << log;
    EXPECT_TRUE(LogHasLine(log, "serial tx BA 01 01 04 A6 04 02 6C")) << log;
    EXPECT_TRUE(LogHasLine(log, "serial bad checksum BA 01 01 04 A6 04 02 6D")) << log;
    EXPECT_TRUE(LogHasLine(log, "udp ignored (address 03 is not this device) "
                                "BA 03 11 03 00 01 D2"))
        << log;
    // Datagrams name their sender: "udp rx 127.0.0.1:<port> BA FF 14 02 00 00".
    EXPECT_NE(log.find("udp rx 127.0.0.1:"), std::string::npos) << log;
    EXPECT_NE(log.find(" BA FF 14 02 00 00\n"), std::string::npos) << log;
    EXPECT_NE(log.find("udp tx 127.0.0.1:"), std::string::npos) << log;
    EXPECT_NE(log.find(" BA 01 14 05 00 A6 01 08 08\n"), std::string::npos) << log;
}

TEST(ProgramAgainstSim, KeepsServingWhenTheProgramReopensItsPort) {
    SharedMatrixSim sim;
    ASSERT_TRUE(sim.ready()) << sim.error();
    for (int round = 0; round < 3; ++round) {
        SerialPeer port(sim.linkPath());
        ASSERT_TRUE(port.ok());
        port.Write(FromHex("BA 01 11 03 00 01 D0"));
        EXPECT_EQ(ToHex(port.Read(7)), "BA 01 11 03 00 01 D0") << "round " << round;
    }
}

TEST(ProgramAgainstSim, AnswersEachUdpSenderAtItsOwnPort) {
    SharedMatrixSim sim;
    ASSERT_TRUE(sim.ready()) << sim.error();
    UdpPeer first;
    UdpPeer second;
    first.SendTo(sim.udpPort(), FromHex("BA 01 11 03 00 01 D0"));
    second.SendTo(sim.udpPort(), FromHex("BA 01 15 03 00 01 D4"));
    const auto toFirst = first.Receive();
    const auto toSecond = second.Receive();
    ASSERT_TRUE(toFirst.has_value());
    ASSERT_TRUE(toSecond.has_value());
    EXPECT_EQ(ToHex(*toFirst), "BA 01 11 03 00 01 D0");
    EXPECT_EQ(ToHex(*toSecond), "BA 01 15 03 00 01 D4");
}

} // namespace
} // namespace sim_test
