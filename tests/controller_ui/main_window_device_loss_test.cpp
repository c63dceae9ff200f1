#include "tests/controller_ui/main_window_fixture.h"

#include "platform/profile.h"
#include "tests/support/event_loop_probe.h"

#include <QElapsedTimer>

namespace controller_ui_test {
namespace {

using namespace std::chrono_literals;
using controller::MainWindow;

const std::string kOpenFailed = "Unable to open the serial port, Please check and try again!";
const std::string kSilent = "Can not read device, check the communications connection!";

// The worked read-back reply of a 4x4 device 1: outputs 1 and 2 on input 3, 3 on 1, 4 on 2.
const Bytes kReadBack{0xBA, 0x01, 0x02, 0x0A, 0xA6, 0x00, 0x02,
                      0x01, 0x02, 0x02, 0x00, 0x03, 0x01, 0x78};

// A device that disappears while the port is open (its cable pulled, a USB adapter removed):
// the pseudo-terminal's master side closes under the waiting monitor.
TEST_F(MainWindowTest, VanishedDeviceLeavesTheWindowResponsiveAndThePortClosableAndReopenable) {
    MainWindow& w = start();
    ASSERT_TRUE(w.serialOpen());
    processEventsFor(50ms); // the monitor is waiting for port events
    m_pty.releaseSlave();
    m_pty.closeMaster();

    // The reply watch runs at a short period meanwhile: its read-back goes to the dead line.
    w.setTimerPeriods(100ms, std::chrono::hours(1));
    const auto cpuBefore = test_support::processCpuTime();
    const auto record = test_support::runEventLoopWithProbe(1500ms, 20ms);
    const auto cpu = test_support::processCpuTime() - cpuBefore;

    EXPECT_LT(cpu, 400ms) << "something spins on the hung-up line";
    EXPECT_LT(record.longestGap, 500ms) << "the window's thread was held";
    EXPECT_GE(record.ticks, 30);
    // Its timer kept ticking through the read and on to the time-out.
    EXPECT_EQ(m_prompts.texts(), std::vector<std::string>{kSilent});
    EXPECT_FALSE(w.replyWatchTimerActive());

    QElapsedTimer clock;
    clock.start();
    press("openButton");
    EXPECT_FALSE(w.serialOpen());
    EXPECT_LT(clock.elapsed(), 1000) << "CLOSE waited for a monitor that did not end";

    // COM1 now names a path nobody has: the freed pseudo-terminal number may already belong to
    // another test's device.
    ASSERT_TRUE(platform::writeProfileString("Ports", "COM1", missingPath(1), settingsPath()));
    m_prompts.clear();
    press("openButton");
    EXPECT_FALSE(w.serialOpen());
    EXPECT_EQ(m_prompts.texts(), std::vector<std::string>{kOpenFailed});

    // A new device on COM1 is opened and heard.
    test_support::PtyPair replacement;
    ASSERT_TRUE(replacement.ok());
    ASSERT_TRUE(
        platform::writeProfileString("Ports", "COM1", replacement.slavePath(), settingsPath()));
    press("openButton");
    ASSERT_TRUE(w.serialOpen());
    replacement.write(kReadBack);
    EXPECT_TRUE(waitFor([&] { return !w.marker(3)->isHidden(); }));
    EXPECT_EQ(w.marker(0)->geometry(), QRect(60, 320, 40, 40));
}

// The device goes away while the window is not looking at the port at all: closing the port and
// the window afterwards must not wait on it either.
TEST_F(MainWindowTest, VanishedDeviceLetsTheWindowCloseAtOnce) {
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
