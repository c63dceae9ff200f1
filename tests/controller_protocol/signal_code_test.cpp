#include "controller/protocol/setup_lists.h"
#include "controller/protocol/signal_code.h"

#include <gtest/gtest.h>

#include <string>

namespace controller {
namespace {

struct SignalCase {
    int matrixType;
    int avMode;
    std::uint8_t expected;
};

class SignalCodeTable : public testing::TestWithParam<SignalCase> {};

TEST_P(SignalCodeTable, FollowsMatrixTypeAndAvMode) {
    const auto& c = GetParam();
    EXPECT_EQ(signalCode(c.matrixType, c.avMode), c.expected)
        << "type " << c.matrixType << " mode " << c.avMode;
}

INSTANTIATE_TEST_SUITE_P(
    SignalCodeEntries, SignalCodeTable,
    testing::Values(SignalCase{0, 0, 0xA4}, SignalCase{0, 1, 0xA1}, SignalCase{0, 2, 0xA2},
                    SignalCase{1, 0, 0xA3}, SignalCase{1, 1, 0xA0}, SignalCase{1, 2, 0xA2},
                    SignalCase{2, 0, 0xA5}, SignalCase{2, 1, 0xA5}, SignalCase{2, 2, 0xA5},
                    SignalCase{3, 0, 0xA6}, SignalCase{3, 1, 0xA6}, SignalCase{3, 2, 0xA6},
                    SignalCase{4, 0, 0xA7}, SignalCase{4, 1, 0xA7}, SignalCase{4, 2, 0xA7},
                    // A hybrid matrix is switched as HDMI, never with its own 0xA8.
                    SignalCase{5, 0, 0xA6}, SignalCase{5, 1, 0xA6}, SignalCase{5, 2, 0xA6}));

INSTANTIATE_TEST_SUITE_P(
    SignalCodeFallbacks, SignalCodeTable,
    testing::Values(SignalCase{0, 3, 0x00}, SignalCase{0, -1, 0x00}, SignalCase{1, 7, 0x00},
                    // Types without separate layers ignore even a nonsense AV mode.
                    SignalCase{2, 9, 0xA5}, SignalCase{5, -3, 0xA6}, SignalCase{6, 0, 0xA1},
                    SignalCase{-1, 1, 0xA1}, SignalCase{100, 5, 0xA1}));

TEST(SignalCodeNames, NameA0ToA8AndNothingElse) {
    const char* expected[] = {"VGA Matrix",       "Video Matrix", "Audio Matrix",
                              "VGA+Audio Matrix", "AV Matrix",    "DVI Matrix",
                              "HDMI Matrix",      "SDI Matrix",   "Hybrid matrix"};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(signalCodeName(static_cast<std::uint8_t>(0xA0 + i)), expected[i]);
    }
    for (const std::uint8_t other : {0x00, 0x01, 0x9F, 0xA9, 0xFF}) {
        EXPECT_TRUE(signalCodeName(other).empty()) << int(other);
    }
}

// The position in each list is the value sent, so order and spelling are both pinned.
TEST(SetupLists, HoldTheEntriesInTheOrderTheDeviceNumbersThem) {
    EXPECT_EQ(kEdidEntries.size(), 19u);
    EXPECT_EQ(kEdidEntries[0], "800x600");
    EXPECT_EQ(kEdidEntries[7], "1366x768");
    EXPECT_EQ(kEdidEntries[13], "1920x1080p60");
    EXPECT_EQ(kEdidEntries[15], "1280x720p60");
    EXPECT_EQ(kEdidEntries[18], "1920x1200");
    EXPECT_EQ(kAspectRatioEntries.size(), 6u);
    EXPECT_EQ(kAspectRatioEntries[0], "16x9 FULL");
    EXPECT_EQ(kAspectRatioEntries[2], "point to point");
    EXPECT_EQ(kAspectRatioEntries[5], "14x9");
    EXPECT_EQ(kSetupBaudEntries[0], "9600");
    EXPECT_EQ(kSetupBaudEntries[1], "4800");
    EXPECT_EQ(kSetupBaudEntries[2], "2400");
    EXPECT_EQ(kSetupBaudEntries[3], "19200");
    EXPECT_EQ(kCropEntries[0], "NO");
    EXPECT_EQ(kCropEntries[1], "YES");
}

} // namespace
} // namespace controller
