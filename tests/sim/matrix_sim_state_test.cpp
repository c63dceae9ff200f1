// matrix-sim keeps what the configuration, scene, cycling and video requests set, and shows it
// in its state file.

#include "tests/sim/hex_bytes.h"
#include "tests/sim/sim_peers.h"
#include "tests/support/shared_matrix_sim.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace sim_test {
namespace {

using test_support::SharedMatrixSim;

using namespace std::chrono_literals;

// Switches output 0 to input 5 on every device: once the state shows it, every request sent
// before it has been handled.
const char kSentinel[] = "BA FF 01 04 A6 00 05 69";
const char kSentinelCrosspoints[] = "5 1 2 3 4 5 6 7";

void Send(const SharedMatrixSim& sim, UdpPeer& peer, const std::string& hex) {
    peer.SendTo(sim.udpPort(), FromHex(hex));
}

TEST(StateAgainstSim, StartsStraightThroughWithNeutralSettings) {
    SharedMatrixSim sim;
    ASSERT_TRUE(sim.ready()) << sim.error();
    EXPECT_EQ(sim.State("address"), "1");
    EXPECT_EQ(sim.State("header"), "BA");
    EXPECT_EQ(sim.State("type"), "A6");
    EXPECT_EQ(sim.State("size"), "8");
    EXPECT_EQ(sim.State("baud"), "0");
    EXPECT_EQ(sim.State("crosspoints"), "0 1 2 3 4 5 6 7");
    EXPECT_EQ(sim.State("scene 1"), "0 1 2 3 4 5 6 7");
    EXPECT_EQ(sim.State("scene 16"), "0 1 2 3 4 5 6 7");
    EXPECT_EQ(sim.State("cycle_mask"), "FFFF");
    EXPECT_EQ(sim.State("cycle_interval"), "3");
    EXPECT_EQ(sim.State("cycling"), "off");
    EXPECT_EQ(sim.State("edid"), "13 13 13 13 13 13 13 13");
    EXPECT_EQ(sim.State("crop"), "0 0 0 0 0 0 0 0");
    EXPECT_EQ(sim.State("aspect"), "0 0 0 0 0 0 0 0");
    EXPECT_EQ(sim.State("brightness"), "128 128 128 128 128 128 128 128");
    EXPECT_EQ(sim.State("contrast"), "128 128 128 128 128 128 128 128");
    EXPECT_EQ(sim.State("saturation"), "128 128 128 128 128 128 128 128");
}

struct Setting {
    const char* name;
    std::vector<std::string> requests;
    const char* key;
    const char* expected;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const Setting& value, std::ostream* out) {
    *out << value.name;
}

class SettingAgainstSim : public testing::TestWithParam<Setting> {};

TEST_P(SettingAgainstSim, IsKeptAsTheRequestsLeaveIt) {
    const Setting& setting = GetParam();
    SharedMatrixSim sim;
    ASSERT_TRUE(sim.ready()) << sim.error();
    UdpPeer peer;
    for (const std::string& request : setting.requests)
        Send(sim, peer, request);
    Send(sim, peer, kSentinel);
    ASSERT_TRUE(sim.WaitForState("crosspoints", kSentinelCrosspoints)) << sim.Log();
    EXPECT_EQ(sim.State(setting.key), setting.expected) << sim.Log();
}

INSTANTIATE_TEST_SUITE_P(
    Configuration, SettingAgainstSim,
    testing::Values(
        Setting{"BaudCodeOne", {"BA 01 18 03 00 01 D7"}, "baud", "1"},
        Setting{"BaudCodeThree", {"BA 01 18 03 00 03 D9"}, "baud", "3"},
        Setting{"BaudCodeFourIsRefused", {"BA 01 18 03 00 04 DA"}, "baud", "0"},
        Setting{"NewAddressTwo", {"BA FF 16 03 00 02 D4"}, "address", "2"},
        Setting{"NewAddressNineIsRefused", {"BA FF 16 03 00 09 DB"}, "address", "1"},
        Setting{"CycleIntervalTen", {"BA 01 1B 03 00 0A E3"}, "cycle_interval", "10"},
        Setting{"CycleScenesOneAndNine", {"BA 01 19 04 00 01 01 DA"}, "cycle_mask", "0101"},
        Setting{"CycleScenesNone", {"BA 01 19 04 00 00 00 D8"}, "cycle_mask", "0000"},
        // A wrong sum makes any request other than identity and video properties noise.
        Setting{"BaudCodeSentWithTheWrongSumIsIgnored", {"BA 01 18 03 00 01 D8"}, "baud", "0"},
        Setting{"OutputBrightness",
                {"BA 01 1C 05 00 B1 C8 02 00"},
                "brightness",
                "128 128 200 128 128 128 128 128"},
        Setting{"OutputContrastAndSaturation",
                {"BA 01 1C 05 00 B2 0A 02 00", "BA 01 1C 05 00 B3 FE 07 00"},
                "contrast",
                "128 128 10 128 128 128 128 128"},
        Setting{"OutputSaturation",
                {"BA 01 1C 05 00 B3 FE 07 00"},
                "saturation",
                "128 128 128 128 128 128 128 254"},
        Setting{"OutputResetTouchesOnlyItsChannel",
                {"BA 01 1C 05 00 B1 C8 02 00", "BA 01 1C 05 00 B1 01 03 00",
                 "BA 01 1C 05 00 B4 00 02 00"},
                "brightness",
                "128 128 128 1 128 128 128 128"},
        Setting{"OutputResetRestoresContrast",
                {"BA 01 1C 05 00 B2 0A 02 00", "BA 01 1C 05 00 B4 00 02 00"},
                "contrast",
                "128 128 128 128 128 128 128 128"},
        Setting{"OutputChannelOutsideTheMatrixIsIgnored",
                {"BA 01 1C 05 00 B1 C8 08 00"},
                "brightness",
                "128 128 128 128 128 128 128 128"},
        Setting{"InputEdid", {"BA 01 1D 05 00 0C 12 00 00"}, "edid", "18 13 13 13 13 13 13 13"},
        Setting{"InputCrop", {"BA 01 1D 05 00 0D 01 07 00"}, "crop", "0 0 0 0 0 0 0 1"},
        Setting{"InputAspect", {"BA 01 1D 05 00 0E 05 01 00"}, "aspect", "0 5 0 0 0 0 0 0"},
        Setting{
            "InputAspectSixIsRefused", {"BA 01 1D 05 00 0E 06 01 00"}, "aspect", "0 0 0 0 0 0 0 0"},
        Setting{"InputAdcIsCounted",
                {"BA 01 1D 05 00 0F 00 01 00", "BA 01 1D 05 00 0F 00 01 00"},
                "adc",
                "0 2 0 0 0 0 0 0"},
        Setting{"VideoRequestWithTheOtherHeaderIsIgnored",
                {"96 01 1C 05 00 B1 C8 02 00"},
                "brightness",
                "128 128 128 128 128 128 128 128"},
        Setting{"SavedSceneIsStored",
                {"BA 01 01 04 A6 00 07 6D", "BA 01 11 03 00 02 D1"},
                "scene 2",
                "7 1 2 3 4 5 6 7"},
        Setting{"SceneSeventeenIsRefused",
                {"BA 01 01 04 A6 00 07 6D", "BA 01 11 03 00 11 E0"},
                "scene 1",
                "0 1 2 3 4 5 6 7"}),
    [](const testing::TestParamInfo<Setting>& info) { return std::string(info.param.name); });

// Whether `happened` comes true within `time`; what must not happen is watched for that long.
template <class Pred>
bool HappensWithin(std::chrono::milliseconds time, Pred happened) {
    const auto deadline = std::chrono::steady_clock::now() + time;
    while (!happened()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// Scene loads made by the cycle, in order, as the log tells them.
std::vector<int> CycledScenes(const std::string& log) {
    static const std::string kLoaded = "cycle loaded scene ";
    std::vector<int> scenes;
    for (auto at = log.find(kLoaded); at != std::string::npos; at = log.find(kLoaded, at + 1))
        scenes.push_back(std::atoi(log.c_str() + at + kLoaded.size()));
    return scenes;
}

TEST(CycleAgainstSim, LoadsTheChosenScenesInTurnAtTheIntervalUntilStopped) {
    SharedMatrixSim sim({"--interval-unit-ms", "40"});
    ASSERT_TRUE(sim.ready()) << sim.error();
    UdpPeer peer;
    // Scene 2 feeds output 0 from input 5; scene 1 stays straight through.
    Send(sim, peer, "BA 01 01 04 A6 00 05 6B");
    Send(sim, peer, "BA 01 11 03 00 02 D1");
    Send(sim, peer, "BA 01 19 04 00 00 03 DB");
    Send(sim, peer, "BA 01 1B 03 00 03 DC");
    Send(sim, peer, "BA 01 1A 03 00 00 D8");
    ASSERT_TRUE(sim.WaitForState("cycling", "on")) << sim.Log();
    ASSERT_TRUE(sim.WaitForState("crosspoints", "5 1 2 3 4 5 6 7")) << sim.Log();
    ASSERT_TRUE(sim.WaitForState("crosspoints", "0 1 2 3 4 5 6 7")) << sim.Log();

    Send(sim, peer, "BA 01 1A 03 00 FF D7");
    ASSERT_TRUE(sim.WaitForState("cycling", "off")) << sim.Log();
    const std::string stopped = sim.State("crosspoints");
    const std::size_t loadsAtStop = CycledScenes(sim.Log()).size();
    EXPECT_FALSE(HappensWithin(400ms, [&] {
        return sim.State("crosspoints") != stopped || CycledScenes(sim.Log()).size() != loadsAtStop;
    }));

    const auto scenes = CycledScenes(sim.Log());
    ASSERT_GE(scenes.size(), 3u);
    for (std::size_t i = 0; i < scenes.size(); ++i)
        EXPECT_EQ(scenes[i], i % 2 == 0 ? 1 : 2) << "load " << i;
}

TEST(CycleAgainstSim, SkipsScenesOutsideTheMaskAndWrapsRound) {
    SharedMatrixSim sim({"--interval-unit-ms", "20"});
    ASSERT_TRUE(sim.ready()) << sim.error();
    UdpPeer peer;
    Send(sim, peer, "BA 01 19 04 00 01 04 DD"); // scenes 3 and 9
    Send(sim, peer, "BA 01 1A 03 00 00 D8");
    ASSERT_TRUE(sim.WaitForState("cycling", "on")) << sim.Log();
    HappensWithin(5s, [&] { return CycledScenes(sim.Log()).size() >= 4; });
    const auto scenes = CycledScenes(sim.Log());
    ASSERT_GE(scenes.size(), 4u) << sim.Log();
    EXPECT_EQ(std::vector<int>(scenes.begin(), scenes.begin() + 4), (std::vector<int>{3, 9, 3, 9}));
}

TEST(CycleAgainstSim, WithNoSceneChosenLeavesTheCrosspointsAlone) {
    SharedMatrixSim sim({"--interval-unit-ms", "10"});
    ASSERT_TRUE(sim.ready()) << sim.error();
    UdpPeer peer;
    Send(sim, peer, "BA 01 01 04 A6 00 07 6D");
    Send(sim, peer, "BA 01 19 04 00 00 00 D8");
    Send(sim, peer, "BA 01 1A 03 00 00 D8");
    ASSERT_TRUE(sim.WaitForState("cycling", "on")) << sim.Log();
    EXPECT_FALSE(HappensWithin(200ms, [&] {
        return sim.State("crosspoints") != "7 1 2 3 4 5 6 7" || !CycledScenes(sim.Log()).empty();
    }));
}

} // namespace
} // namespace sim_test
