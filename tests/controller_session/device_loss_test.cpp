// The open port's device goes away and comes back, on a pseudo-terminal the test holds: the
// session closes the port, says so once, and opens it again when the same device returns.
#include "tests/controller_session/session_fixture.h"
#include "tests/support/event_loop_probe.h"
#include "tests/support/pty_pair.h"

#include <QElapsedTimer>

#include <filesystem>

namespace controller::session_test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using test_support::PtyPair;
using test_support::waitUntil;

enum class Departure {
    HangUp,      // the line hangs up under the open port (a USB adapter pulled out)
    NodeRemoved, // the device's name disappears while the port is still open
};

struct LossCase {
    const char* name;
    Departure departure;
    bool operatorMovesOn; // picks another port before the device returns
};

void PrintTo(const LossCase& c, std::ostream* os) {
    *os << c.name;
}

class DeviceLoss : public SessionTest, public testing::WithParamInterface<LossCase> {
protected:
    // COM1 is reached through a name of its own, as a /dev/serial/by-id/ link reaches an adapter.
    std::string adapter() const { return m_dir.file("usb-adapter"); }
    MatrixSession& startOn(const PtyPair& com1, const PtyPair& com2) {
        realPorts = true;
        fs::create_symlink(com1.slavePath(), adapter());
        writeSettings("[SYSTEM_SET]\r\nSelectCOM=0\r\nSelectBAUD=2\r\nMatrixType=3\r\n"
                      "MatrixSize=0\r\n[Ports]\r\nCOM1=" +
                      adapter() + "\r\nCOM2=" + com2.slavePath() + "\r\n");
        MatrixSession& session = start();
        EXPECT_TRUE(session.openPort());
        recorder.events.clear();
        return session;
    }
};

TEST_P(DeviceLoss, ClosesThePortSaysSoOnceAndReopensWhenTheSameDeviceReturns) {
    const LossCase& c = GetParam();
    PtyPair com1;
    PtyPair com2;
    MatrixSession& session = startOn(com1, com2);
    ASSERT_TRUE(session.serialOpen());

    if (c.departure == Departure::HangUp) {
        // Unplugged: the line hangs up and the stable name goes with the device (else another
        // pseudo-terminal taking the freed number would stand behind it).
        com1.releaseSlave();
        com1.closeMaster();
        fs::remove(adapter());
        // The monitor notices alone, without the presence check.
        ASSERT_TRUE(waitUntil([&] { return !session.serialOpen(); }, 1s));
        const auto cpuBefore = test_support::processCpuTime();
        const auto record = test_support::runEventLoopWithProbe(300ms, 20ms);
        EXPECT_LT(test_support::processCpuTime() - cpuBefore, 150ms) << "spins on the dead line";
        EXPECT_LT(record.longestGap, 200ms);
    } else {
        fs::remove(adapter());
        session.onPortPresenceTick();
    }
    const std::vector<std::string> lost{"closed", "lost COM1 " + adapter()};
    EXPECT_EQ(recorder.events, lost);

    // Nothing goes to the port now; the device's absence is noticed, and told no more.
    session.switchCrosspoint(0, 0);
    session.onPortPresenceTick();
    QCoreApplication::processEvents();
    EXPECT_EQ(recorder.events, lost);
    EXPECT_TRUE(session.awaitingPortReturn());

    if (c.operatorMovesOn) {
        ASSERT_TRUE(session.selectPort("COM2"));
        EXPECT_FALSE(session.awaitingPortReturn());
    }
    // The same name comes back: the hung-up line as a new device, the removed name as it was.
    PtyPair returned;
    PtyPair& device = c.departure == Departure::HangUp ? returned : com1;
    fs::remove(adapter());
    fs::create_symlink(device.slavePath(), adapter());
    recorder.events.clear();
    session.onPortPresenceTick();
    if (c.operatorMovesOn) {
        EXPECT_TRUE(recorder.events.empty());
        EXPECT_EQ(session.portName(), "COM2");
        return;
    }
    ASSERT_TRUE(session.serialOpen());
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"opened COM1 9600", "returned"}));
    // It is heard again, and read back after the watch's delay.
    device.write(
        {0xBA, 0x01, 0x02, 0x0A, 0xA6, 0x00, 0x02, 0x01, 0x02, 0x02, 0x00, 0x03, 0x01, 0x78});
    EXPECT_TRUE(waitUntil([&] { return recorder.events.back() == "pairs 0:2 1:2 2:0 3:1"; }));
    session.onReplyWatchTick();
    session.onReplyWatchTick();
    EXPECT_EQ(device.read(10).size(), 10u);
}

INSTANTIATE_TEST_SUITE_P(
    Departures, DeviceLoss,
    testing::Values(LossCase{"LineHangsUp", Departure::HangUp, false},
                    LossCase{"NameRemovedAndRecreated", Departure::NodeRemoved, false},
                    LossCase{"OperatorPicksAnotherPortMeanwhile", Departure::HangUp, true}),
    [](const testing::TestParamInfo<LossCase>& info) { return std::string(info.param.name); });

// The device goes away while nothing looks at the port: ending the session must not wait on it.
TEST_F(SessionTest, VanishedDeviceLetsTheSessionEndAtOnce) {
    PtyPair pty;
    realPorts = true;
    MatrixSession& session = start(true);
    ASSERT_TRUE(session.openPort(pty.slavePath(), 9600));
    pty.releaseSlave();
    pty.closeMaster();
    QElapsedTimer clock;
    clock.start();
    m_session.reset();
    EXPECT_LT(clock.elapsed(), 1000);
}

} // namespace
} // namespace controller::session_test
