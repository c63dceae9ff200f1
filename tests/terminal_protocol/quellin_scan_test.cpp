// quellin-scan, the program, against terminal-sim inside the private network namespace.

#include "tests/support/namespace_check.h"
#include "tests/support/temp_dir.h"
#include "tests/terminal_protocol/free_udp_port.h"
#include "tests/terminal_protocol/terminal_sim_process.h"

#include <QJsonDocument>
#include <QProcess>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using terminal_test::TerminalSimProcess;

struct Finished {
    int status = -1;
    std::string out;
    std::string err;
};

// Two terminals on one IP, every field given: what the simulator reports is written out below.
constexpr const char* kTerminals =
    "id=7 name=Hall1 model=T10 mac=00:1A:2B:3C:4D:07 ip=192.0.2.7 multicast=239.255.0.7 "
    "hostip=192.0.2.100 gateway=192.0.2.1 mask=255.255.255.0 port=8866 hostport=8867 "
    "workmode=2 baud=12 addressmode=1 sw=0x21 hw=0x0A dns=192.0.2.53\n"
    "id=8 name=\\xD6\\xD0\\xCE\\xC4 model=T20 mac=00:1A:2B:3C:4E:08 ip=192.0.2.7 "
    "multicast=239.255.0.8 hostip=192.0.2.100 gateway=192.0.2.1 mask=255.255.255.0 port=23 "
    "hostport=0 workmode=0 baud=6 addressmode=0 sw=0x10 hw=0x11 dns=0.0.0.0\n";

class QuellinScanTest : public testing::Test {
protected:
    void SetUp() override {
        REQUIRE_PRIVATE_NETWORK_NAMESPACE();
        m_port = terminal_test::freeUdpPort();
    }

    void startSim(QStringList arguments = {}) {
        test_support::TempDir::writeFile(m_dir.file("terminals.txt"), kTerminals);
        arguments << "--from" << QString::fromStdString(m_dir.file("terminals.txt")) << "--port"
                  << QString::number(m_port);
        m_sim = std::make_unique<TerminalSimProcess>(MATRIX_BIN_DIR "/terminal-sim", arguments);
        ASSERT_TRUE(m_sim->isReady()) << m_sim->log().toStdString();
    }

    Finished scan(QStringList arguments) const {
        QProcess program;
        program.start(MATRIX_BIN_DIR "/quellin-scan",
                      arguments << "--port" << QString::number(m_port) << "--seconds"
                                << "1");
        Finished done;
        if (!program.waitForFinished(30000))
            return done;
        done.status = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
        done.out = program.readAllStandardOutput().toStdString();
        done.err = program.readAllStandardError().toStdString();
        return done;
    }

    test_support::TempDir m_dir;
    std::uint16_t m_port = 0;
    std::unique_ptr<TerminalSimProcess> m_sim;
};

TEST_F(QuellinScanTest, JsonAndCsvGiveEveryFieldOfEverySimulatedTerminal) {
    ASSERT_NO_FATAL_FAILURE(startSim());
    const Finished json = scan({"--interface", "lo", "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const auto expected = QJsonDocument::fromJson(R"json([
        {"id": 7, "name": "Hall1", "model": "T10", "ip": "192.0.2.7", "mask": "255.255.255.0",
         "gateway": "192.0.2.1", "dns": "192.0.2.53", "port": 8866, "mode": "UDP ", "dhcp": true,
         "baud": "115200", "host_ip": "192.0.2.100", "host_port": 8867,
         "multicast_ip": "239.255.0.7", "mac": "001A－2B3C－4D07", "software_version": "2.1",
         "hardware_version": "0.10", "interface": "127.0.0.1", "conflicts": ["001A－2B3C－4E08"]},
        {"id": 8, "name": "中文", "model": "T20", "ip": "192.0.2.7", "mask": "255.255.255.0",
         "gateway": "192.0.2.1", "dns": "0.0.0.0", "port": 23, "mode": "TCP  Server",
         "dhcp": false, "baud": "9600", "host_ip": "192.0.2.100", "host_port": 0,
         "multicast_ip": "239.255.0.8", "mac": "001A－2B3C－4E08", "software_version": "1.0",
         "hardware_version": "1.1", "interface": "127.0.0.1", "conflicts": ["001A－2B3C－4D07"]}
    ])json");
    EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(json.out)), expected) << json.out;

    // The interface by its address, and CSV.
    const Finished csv = scan({"--interface", "127.0.0.1", "--csv"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(
        csv.out,
        "id,name,model,ip,mask,gateway,dns,port,mode,dhcp,baud,host_ip,host_port,"
        "multicast_ip,mac,software_version,hardware_version,interface,conflicts\r\n"
        "7,Hall1,T10,192.0.2.7,255.255.255.0,192.0.2.1,192.0.2.53,8866,UDP ,true,115200,"
        "192.0.2.100,8867,239.255.0.7,001A－2B3C－4D07,2.1,0.10,127.0.0.1,001A－2B3C－4E08\r\n"
        "8,中文,T20,192.0.2.7,255.255.255.0,192.0.2.1,0.0.0.0,23,TCP  Server,false,9600,"
        "192.0.2.100,0,239.255.0.8,001A－2B3C－4E08,1.0,1.1,127.0.0.1,001A－2B3C－4D07\r\n");
}

TEST_F(QuellinScanTest, TheTableAlignsTheSixColumnsAndTheMarksGoToStandardError) {
    const std::uint16_t hostPort = terminal_test::freeUdpPortAboveAnother();
    ASSERT_NO_FATAL_FAILURE(startSim({"--test-port", QString::number(hostPort - 1)}));
    const Finished table = scan({"--interface", "lo"});
    ASSERT_EQ(table.status, 0) << table.err;
    EXPECT_EQ(table.out, "ID  Name   Model  IP         Multicast IP  MAC\n"
                         "7   Hall1  T10    192.0.2.7  239.255.0.7   001A－2B3C－4D07\n"
                         "8   中文   T20    192.0.2.7  239.255.0.8   001A－2B3C－4E08\n");
    EXPECT_EQ(table.err,
              "row 1: Same IP as row 2 (ID 8, 001A－2B3C－4E08).\n"
              "row 1: Not reachable from this PC: 192.0.2.7 is outside 127.0.0.1/8, the network "
              "of lo.\n"
              "row 2: Same IP as row 1 (ID 7, 001A－2B3C－4D07).\n"
              "row 2: Not reachable from this PC: 192.0.2.7 is outside 127.0.0.1/8, the network "
              "of lo.\n");

    // Asking one address, as Test does.
    const Finished test =
        scan({"--test", "127.0.0.1", "--host-port", QString::number(hostPort), "--csv"});
    EXPECT_EQ(test.status, 0) << test.err;
    EXPECT_EQ(QString::fromStdString(test.out).count(QStringLiteral("\r\n")), 3);
}

TEST_F(QuellinScanTest, NoAnswerGivesOneMistakesGiveTwoWithOneLineWhy) {
    const Finished none = scan({"--interface", "lo", "--json"});
    EXPECT_EQ(none.status, 1) << none.err;
    EXPECT_EQ(none.out, "[]\n");

    for (const QStringList& wrong :
         {QStringList{"--json", "--csv"}, QStringList{"--seconds", "0"},
          QStringList{"--host-port", "8866"}, QStringList{"--interface", "no-such-card"},
          QStringList{"--test", "0.0.0.0"}, QStringList{"--dry-run"},
          QStringList{"--apply", "plan.csv", "--json"}}) {
        const Finished mistake = scan(wrong);
        EXPECT_EQ(mistake.status, 2) << wrong.join(' ').toStdString();
        EXPECT_EQ(QString::fromStdString(mistake.err).count('\n'), 1) << mistake.err;
        EXPECT_TRUE(mistake.out.empty());
    }
    const Finished notAnAddress = scan({"--test", "999.1.1.1"});
    EXPECT_EQ(notAnAddress.status, 2);
    EXPECT_NE(notAnAddress.err.find("--test 999.1.1.1: not an IPv4 address"), std::string::npos)
        << notAnAddress.err;
}

TEST_F(QuellinScanTest, TerminalsBeyondTheListAreCountedInOneLineOnStandardError) {
    m_sim = std::make_unique<TerminalSimProcess>(
        MATRIX_BIN_DIR "/terminal-sim",
        QStringList{"--count", "300", "--port", QString::number(m_port)});
    ASSERT_TRUE(m_sim->isReady()) << m_sim->log().toStdString();
    const Finished csv = scan({"--interface", "lo", "--csv"});
    EXPECT_EQ(csv.status, 0);
    EXPECT_EQ(QString::fromStdString(csv.out).count(QStringLiteral("\r\n")), 257);
    EXPECT_EQ(csv.err, "quellin-scan: 44 more terminals answered and were not listed (the list "
                       "holds 256)\n");
}

TEST(TerminalSimProgram, AnswersHelpWithItsUsageAndNamesAnUnknownOption) {
    for (const char* option : {"--help", "--bogus"}) {
        QProcess sim;
        sim.start(MATRIX_BIN_DIR "/terminal-sim", {option});
        ASSERT_TRUE(sim.waitForFinished(30000));
        const bool help = std::string(option) == "--help";
        EXPECT_EQ(sim.exitCode(), help ? 0 : 2);
        const QString text = help ? sim.readAllStandardOutput() : sim.readAllStandardError();
        EXPECT_TRUE(text.startsWith(help ? "usage: terminal-sim"
                                         : "terminal-sim: unknown option "
                                           "--bogus\nusage:"))
            << text.toStdString();
    }
}

TEST(QuellinScanProgram, LinksNeitherQtGuiNorQtWidgets) {
    QProcess ldd;
    ldd.start("ldd", {MATRIX_BIN_DIR "/quellin-scan"});
    ASSERT_TRUE(ldd.waitForFinished(30000));
    const QString libraries = QString::fromLocal8Bit(ldd.readAllStandardOutput());
    EXPECT_TRUE(libraries.contains("libQt6Network")) << libraries.toStdString();
    EXPECT_FALSE(libraries.contains("libQt6Gui")) << libraries.toStdString();
    EXPECT_FALSE(libraries.contains("libQt6Widgets")) << libraries.toStdString();
}

} // namespace
