#include "controller/session/traffic_log.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace controller {
namespace {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;

const Bytes kSwitch{0xBA, 0x01, 0x01, 0x04, 0xA6, 0x04, 0x02, 0x6C};

// 2026-12-09 14:03:07.125 UTC, read in UTC.
std::chrono::system_clock::time_point at(long long extraMillis = 0) {
    setenv("TZ", "UTC", 1);
    tzset();
    return std::chrono::system_clock::time_point(milliseconds(1796824987125LL + extraMillis));
}

TrafficEntry entry(int n) {
    return {at(n), TrafficDirection::Sent, "COM" + std::to_string(n), {std::uint8_t(n)}};
}

TEST(TrafficLog, KeepsTheNewestEntriesUpToItsCapacity) {
    TrafficLog log(3);
    for (int n = 1; n <= 5; ++n)
        log.append(entry(n));
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].link, "COM3");
    EXPECT_EQ(log[2].link, "COM5");
    log.dropOldest(2);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].link, "COM5");
    log.dropOldest(7);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(TrafficLog().capacity(), 10000u);
}

TEST(TrafficLog, TellsTimesDirectionsAndWords) {
    EXPECT_EQ(trafficClock(at()), "14:03:07.125");
    EXPECT_EQ(trafficClock(at(-125 - 7000), true), "2026-12-09 14:03:00.000");
    EXPECT_EQ(trafficDirectionTag(TrafficDirection::Sent), std::string("tx"));
    EXPECT_EQ(trafficDirectionTag(TrafficDirection::Discarded), std::string("rx"));
    EXPECT_EQ(trafficWords(TrafficDirection::Sent, kSwitch),
              "switch input 3 → output 5, HDMI Matrix (device 1)");
    // The same bytes from the device report a crosspoint instead of asking for one.
    EXPECT_NE(trafficWords(TrafficDirection::Received, kSwitch),
              trafficWords(TrafficDirection::Sent, kSwitch));
    EXPECT_EQ(trafficWords(TrafficDirection::Discarded, Bytes{0x55}), "dropped 1 byte");
    EXPECT_EQ(trafficWords(TrafficDirection::Discarded, Bytes{1, 2, 3}), "dropped 3 bytes");
}

TEST(TrafficLog, SavesAsTabSeparatedTextWithNamesApplied) {
    TrafficLog log;
    log.append({at(), TrafficDirection::Sent, "COM1", kSwitch});
    log.append({at(40), TrafficDirection::Discarded, "127.0.0.1:4068\t\n", {0x00, 0xFF}});
    const PortNamer names = [](PortKind kind, int number) -> std::string {
        return kind == PortKind::Input && number == 3 ? "Camera 2" : "";
    };
    EXPECT_EQ(log.text(names),
              "Time\tDirection\tLink\tBytes\tWords\n"
              "2026-12-09 14:03:07.125\ttx\tCOM1\tBA 01 01 04 A6 04 02 6C\t"
              "switch input 3 \"Camera 2\" → output 5, HDMI Matrix (device 1)\n"
              "2026-12-09 14:03:07.165\trx\t127.0.0.1:4068  \t00 FF\tdropped 2 bytes\n");
}

} // namespace
} // namespace controller
