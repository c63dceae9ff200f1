#include "tests/controller_ui/main_window_fixture.h"

#include "tests/support/datagram_flood.h"
#include "tests/support/event_loop_probe.h"

#include <algorithm>
#include <set>

namespace controller_ui_test {
namespace {

using namespace std::chrono_literals;
using controller::MainWindow;

const std::string kSavedNet = "  Save scene successfully!  ";
const std::string kReloadedNet = "  Reload scene successfully!  ";

// The flood, in a cycle of four: a whole save-scene reply; noise that starts with a wrong byte
// (or is empty); a datagram larger than a poll takes; a whole reload reply with bytes trailing
// behind it.
Bytes floodDatagram(std::size_t i) {
    switch (i % 4) {
    case 0:
        return {0xBA, 0x01, 0x11, 0x02, 0x00, 0xCE};
    case 1: {
        // Empty datagrams among them.
        Bytes noise((i * 37) % 300);
        for (std::size_t k = 0; k < noise.size(); ++k)
            noise[k] = static_cast<std::uint8_t>(k == 0 ? 0x5A : i * 131 + k * 7);
        return noise;
    }
    case 2:
        return Bytes(1500, 0xBA);
    default:
        return {0xBA, 0x01, 0x15, 0x02, 0x00, 0xD2, 0xBA, 0x01, 0x11, 0x7F};
    }
}

// Ten thousand datagrams a second for five seconds on HostPort. The window takes one datagram
// per 100 ms poll and lets the system drop the rest, so its thread keeps its pace and its memory
// stays flat, and every whole reply it does take is dispatched.
TEST_F(MainWindowTest, DatagramFloodOnHostPortKeepsTheWindowAnsweringAndItsMemoryFlat) {
    MainWindow& w = start();
    w.session().setTimerPeriods(std::chrono::hours(1),
                                controller::MatrixSession::kNetworkPollPeriod);
    ASSERT_TRUE(w.session().networkPollActive());
    test_support::DatagramFlood flood("127.0.0.1", w.session().networkLocalPort(), floodDatagram);
    ASSERT_TRUE(flood.ok());
    test_support::runEventLoopWithProbe(300ms, 100ms); // settle before measuring memory
    const auto heapBefore = static_cast<long long>(test_support::liveHeapBytes());

    flood.start(10000);
    const auto record = test_support::runEventLoopWithProbe(5s, 100ms);
    flood.stop();
    const long long heapGrowth = static_cast<long long>(test_support::liveHeapBytes()) - heapBefore;

    EXPECT_GT(flood.sent(), 20000u) << "the flood did not get going";
    EXPECT_GE(record.ticks, 35);
    EXPECT_LT(record.longestGap, 1000ms);
    EXPECT_LT(heapGrowth, 2 << 20) << "bytes";

    const std::set<std::string> allowed{kSavedNet, kReloadedNet};
    const auto texts = m_prompts.texts();
    EXPECT_TRUE(std::all_of(texts.begin(), texts.end(),
                            [&](const std::string& t) { return allowed.count(t) == 1; }));
    // About one poll in two meets a whole reply.
    EXPECT_GE(texts.size(), 8u);

    // The grid still answers the operator at once.
    clickAt(crosspointCentre(w, 1, 0));
    EXPECT_EQ(serialOut(8), (Bytes{0xBA, 0x01, 0x01, 0x04, 0xA6, 0x01, 0x00, 0x67}));
}

} // namespace
} // namespace controller_ui_test
