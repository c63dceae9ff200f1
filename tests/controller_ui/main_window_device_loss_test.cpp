#include "tests/controller_ui/main_window_fixture.h"

#include "tests/support/event_loop_probe.h"

#include <QElapsedTimer>
#include <QPushButton>

#include <filesystem>

namespace controller_ui_test {
namespace {

using namespace std::chrono_literals;
using controller::MainWindow;
namespace fs = std::filesystem;

// The worked read-back reply of a 4x4 device 1: outputs 1 and 2 on input 3, 3 on 1, 4 on 2.
const Bytes kReadBack{0xBA, 0x01, 0x02, 0x0A, 0xA6, 0x00, 0x02,
                      0x01, 0x02, 0x02, 0x00, 0x03, 0x01, 0x78};

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

class DeviceLoss : public MainWindowTest, public testing::WithParamInterface<LossCase> {
protected:
    // COM1 is reached through a name of its own, as a /dev/serial/by-id/ link reaches an adapter.
    std::string adapter() const { return m_dir.file("usb-adapter"); }
};

TEST_P(DeviceLoss, ClosesThePortSaysSoOnceAndReopensWhenTheSameDeviceReturns) {
    const LossCase& c = GetParam();
    fs::create_symlink(m_pty.slavePath(), adapter());
    m_portKeys[1] = adapter();
    MainWindow& w = start();
    ASSERT_TRUE(w.session().serialOpen());
    processEventsFor(50ms); // the monitor is waiting for port events

    if (c.departure == Departure::HangUp) {
        // Unplugged: the line hangs up and the stable name goes with the device (else another
        // pseudo-terminal taking the freed number would stand behind it).
        m_pty.releaseSlave();
        m_pty.closeMaster();
        fs::remove(adapter());
        // The monitor notices alone, without the presence check.
        ASSERT_TRUE(waitFor([&] { return !w.session().serialOpen(); }, 1s));
        const auto cpuBefore = test_support::processCpuTime();
        const auto record = test_support::runEventLoopWithProbe(300ms, 20ms);
        EXPECT_LT(test_support::processCpuTime() - cpuBefore, 150ms) << "spins on the dead line";
        EXPECT_LT(record.longestGap, 200ms);
    } else {
        fs::remove(adapter());
        w.session().onPortPresenceTick();
    }
    const std::vector<std::string> lost{
        "The serial device of COM1 (" + adapter() +
        ") went away; the port is closed.\r\nIt opens again by itself when the device comes back."};
    EXPECT_FALSE(w.session().serialOpen());
    EXPECT_EQ(control<QPushButton>("openButton")->text(), "OPEN");
    EXPECT_EQ(w.windowTitle(), "     Matrix V3.5");
    EXPECT_EQ(m_prompts.texts(), lost);

    // Nothing goes to the port now; the device's absence is noticed, and told no more.
    clickAt(crosspointCentre(w, 0, 0));
    if (c.departure == Departure::NodeRemoved) {
        EXPECT_TRUE(serialQuiet().empty());
    }
    w.session().onPortPresenceTick();
    processEventsFor(50ms);
    EXPECT_EQ(m_prompts.texts(), lost);
    EXPECT_TRUE(w.session().awaitingPortReturn());

    if (c.operatorMovesOn) {
        choose("comCombo", 1);
        ASSERT_TRUE(w.session().serialOpen());
        EXPECT_FALSE(w.session().awaitingPortReturn());
    }
    // The same name comes back: the hung-up line as a new device, the removed name as it was.
    test_support::PtyPair returned;
    test_support::PtyPair& device = c.departure == Departure::HangUp ? returned : m_pty;
    fs::remove(adapter());
    fs::create_symlink(device.slavePath(), adapter());
    w.session().onPortPresenceTick();
    if (c.operatorMovesOn) {
        EXPECT_EQ(w.windowTitle(), "  Matrix V3.5 -- COM2:9600,N,8,1");
        return;
    }
    ASSERT_TRUE(w.session().serialOpen());
    EXPECT_EQ(w.windowTitle(), "  Matrix V3.5 -- COM1:9600,N,8,1 (reconnected)");
    EXPECT_EQ(control<QPushButton>("openButton")->text(), "CLOSE");
    EXPECT_EQ(m_prompts.texts(), lost);
    // It is heard again, and read back after the watch's delay.
    device.write(kReadBack);
    EXPECT_TRUE(waitFor([&] { return !w.marker(3)->isHidden(); }));
    EXPECT_EQ(w.marker(0)->geometry(), QRect(60, 320, 40, 40));
    w.session().onReplyWatchTick();
    w.session().onReplyWatchTick();
    EXPECT_EQ(device.read(10).size(), 10u);
}

INSTANTIATE_TEST_SUITE_P(
    Departures, DeviceLoss,
    testing::Values(LossCase{"LineHangsUp", Departure::HangUp, false},
                    LossCase{"NameRemovedAndRecreated", Departure::NodeRemoved, false},
                    LossCase{"OperatorPicksAnotherPortMeanwhile", Departure::HangUp, true}),
    [](const testing::TestParamInfo<LossCase>& info) { return std::string(info.param.name); });

// The device goes away while the window is not looking at the port at all: closing the port and
// the window afterwards must not wait on it either.
TEST_F(MainWindowTest, VanishedDeviceLetsTheWindowCloseAtOnce) {
    m_realCom1 = true;
    start();
    processEventsFor(50ms);
    m_pty.releaseSlave();
    m_pty.closeMaster();
    processEventsFor(100ms);

    QElapsedTimer clock;
    clock.start();
    m_window.reset();
    EXPECT_LT(clock.elapsed(), 1000);
}

} // namespace
} // namespace controller_ui_test
