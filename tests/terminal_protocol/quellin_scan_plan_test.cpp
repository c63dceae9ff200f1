// quellin-scan --apply against terminal-sim on the far side of a virtual Ethernet link: a plan
// applied and confirmed, plans refused before anything is sent, a terminal that ignores a field
// and one that is missing.

#include "tests/support/namespace_check.h"
#include "tests/support/temp_dir.h"
#include "tests/support/veth_network.h"
#include "tests/terminal_protocol/terminal_sim_process.h"

#include <QProcess>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using terminal_test::TerminalSimProcess;

// Four terminals on 192.0.2.0/24; the last ignores the baud rate of every write.
#define TERMINAL                                                                                   \
    " port=8866 workmode=0 baud=6 addressmode=0 model=T1 mask=255.255.255.0 sw=0x10 hw=0x10"
constexpr const char* kTerminals =
    "id=11 name=Hall1 mac=00:1A:2B:3C:01:0B ip=192.0.2.21" TERMINAL "\n"
    "id=12 name=Hall2 mac=00:1A:2B:3C:02:0C ip=192.0.2.22" TERMINAL "\n"
    "id=13 name=Hall3 mac=00:1A:2B:3C:03:0D ip=192.0.2.23" TERMINAL "\n"
    "id=14 name=Hall4 mac=00:1A:2B:3C:04:0E ip=192.0.2.24" TERMINAL " ignore=baud\n";
#undef TERMINAL

struct Finished {
    int status = -1;
    std::string out;
    std::string err;
};

class QuellinScanPlan : public testing::Test {
protected:
    void SetUp() override {
        REQUIRE_PRIVATE_NETWORK_NAMESPACE();
        std::string why;
        if (!m_network.enter(why))
            GTEST_SKIP() << "no test network: " << why;
        const qint64 far = m_network.addLink("qlA", "192.0.2.1/24", "termA", "192.0.2.2/24", why);
        if (far == 0)
            GTEST_SKIP() << "no virtual Ethernet link: " << why;
        test_support::TempDir::writeFile(m_dir.file("terminals.txt"), kTerminals);
        m_sim = std::make_unique<TerminalSimProcess>(
            MATRIX_BIN_DIR "/terminal-sim",
            QStringList{"--from", QString::fromStdString(m_dir.file("terminals.txt"))},
            std::chrono::seconds(10), far);
        ASSERT_TRUE(m_sim->isReady()) << m_sim->log().toStdString();
    }

    Finished run(QStringList arguments) const {
        QProcess program;
        program.start(MATRIX_BIN_DIR "/quellin-scan", arguments << "--seconds"
                                                                << "1");
        Finished done;
        if (!program.waitForFinished(60000))
            return done;
        done.status = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
        done.out = program.readAllStandardOutput().toStdString();
        done.err = program.readAllStandardError().toStdString();
        return done;
    }
    Finished apply(const std::string& plan, QStringList more = {}) {
        test_support::TempDir::writeFile(m_dir.file("plan.csv"), plan);
        return run(QStringList{"--interface", "qlA", "--apply",
                               QString::fromStdString(m_dir.file("plan.csv"))}
                   << more);
    }

    // Configuration writes and resets the terminals received.
    int writesHeard() const {
        int count = 0;
        for (const QString& line : m_sim->lines("recv")) {
            const QString type = line.section(' ', 5, 5);
            count += type == "02" || type == "03";
        }
        return count;
    }

    test_support::VethNetwork m_network;
    test_support::TempDir m_dir;
    std::unique_ptr<TerminalSimProcess> m_sim;
};

TEST_F(QuellinScanPlan, ThreeTerminalsTakeTheirValuesAndADryRunSendsNothing) {
    const std::string plan = "mac,name,ip,port,mode\n"
                             "001A-2B3C-010B,Lab1,192.0.2.31,4001,UDP\n"
                             "001A-2B3C-020C,Lab2,192.0.2.32,4002,TCP  Client\n"
                             "001A-2B3C-030D,Lab3,192.0.2.33,4003,TCP  Server\n";
    const std::string preview =
        "row 2  001A－2B3C－010B  found: name Hall1 → Lab1, ip 192.0.2.21 → 192.0.2.31, port "
        "8866 → 4001, mode TCP  Server → UDP \n"
        "row 3  001A－2B3C－020C  found: name Hall2 → Lab2, ip 192.0.2.22 → 192.0.2.32, port "
        "8866 → 4002, mode TCP  Server → TCP  Client\n"
        "row 4  001A－2B3C－030D  found: name Hall3 → Lab3, ip 192.0.2.23 → 192.0.2.33, port "
        "8866 → 4003\n";
    const Finished dry = apply(plan, {"--dry-run"});
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(dry.out, preview);
    EXPECT_EQ(writesHeard(), 0);

    const Finished applied = apply(plan);
    EXPECT_EQ(applied.status, 0) << applied.err;
    EXPECT_EQ(applied.out, preview + "row 2  001A－2B3C－010B  confirmed\n"
                                     "row 3  001A－2B3C－020C  confirmed\n"
                                     "row 4  001A－2B3C－030D  confirmed\n");

    // The next scan lists the new values; scanned on a second address of the card, that
    // address is the terminals' interface.
    std::string why;
    ASSERT_TRUE(m_network.ip({"address", "add", "192.0.2.5/24", "dev", "qlA"}, why)) << why;
    const Finished csv = run({"--interface", "192.0.2.5", "--csv"});
    EXPECT_NE(csv.out.find("\r\n11,Lab1,T1,192.0.2.31,255.255.255.0,"), std::string::npos);
    EXPECT_NE(csv.out.find(",4001,UDP ,false,9600,"), std::string::npos) << csv.out;
    EXPECT_NE(csv.out.find("\r\n12,Lab2,T1,192.0.2.32,"), std::string::npos) << csv.out;
    EXPECT_NE(csv.out.find(",001A－2B3C－030D,1.0,1.0,192.0.2.5,\r\n"), std::string::npos);
}

TEST_F(QuellinScanPlan, APlanGivingTwoTerminalsOneIpOrABadMaskSendsNothing) {
    const Finished sameIp = apply("mac,ip\n001A2B3C010B,192.0.2.40\n001A2B3C020C,192.0.2.40\n");
    EXPECT_EQ(sameIp.status, 2);
    EXPECT_NE(sameIp.err.find("quellin-scan: row 2, ip \"192.0.2.40\": also the IP of row 3\n"
                              "quellin-scan: row 3, ip \"192.0.2.40\": also the IP of row 2\n"
                              "quellin-scan: the plan failed its checks; nothing was sent\n"),
              std::string::npos)
        << sameIp.err;
    const Finished badMask = apply("mac,mask\n001A2B3C030D,255.0.255.0\n");
    EXPECT_EQ(badMask.status, 2);
    EXPECT_NE(badMask.err.find("row 2, mask \"255.0.255.0\": not a subnet mask"),
              std::string::npos);
    EXPECT_EQ(writesHeard(), 0);
}

TEST_F(QuellinScanPlan, AMissingTerminalAndOneThatIgnoresAFieldAreReportedTheOthersApplied) {
    const Finished applied = apply("mac,ip,baud\n"
                                   "001A2B3C010B,192.0.2.41,\n"
                                   "001A2B3C040E,192.0.2.44,19200\n"
                                   "001A2B3C990F,192.0.2.49,\n");
    EXPECT_EQ(applied.status, 1) << applied.err;
    EXPECT_NE(applied.out.find("row 2  001A－2B3C－010B  confirmed\n"
                               "row 3  001A－2B3C－040E  not confirmed after a second write: baud "
                               "19200 (it reports 9600)\n"
                               "row 4  001A－2B3C－990F  not found; skipped\n"),
              std::string::npos)
        << applied.out;
    EXPECT_EQ(m_sim->lines("note")
                  .filter("terminal 3 took a configuration write but ignored baud")
                  .size(),
              2);
}

} // namespace
