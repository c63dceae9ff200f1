#include "controller/protocol/matrix_kinds.h"
#include "controller/protocol/setup_lists.h"
#include "controller/protocol/signal_code.h"

#include <gtest/gtest.h>

#include <optional>
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

struct KindRow {
    const char* name;
    const char* shortName;
    std::uint8_t typeCode;
    bool avLayers;
    bool videoProperties;
};

// The type list in its order: the position is the MatrixType setting.
TEST(MatrixKinds, ListEveryTypeWithWhatItReportsAndOffers) {
    const KindRow expected[] = {
        {"AV Matrix", "AV", 0xA4, true, false},    {"VGA Matrix", "VGA", 0xA0, true, false},
        {"DVI Matrix", "DVI", 0xA5, false, false}, {"HDMI Matrix", "HDMI", 0xA6, false, false},
        {"SDI Matrix", "SDI", 0xA7, false, false}, {"Hybrid matrix", "Hybrid", 0xA8, false, true},
    };
    ASSERT_EQ(kMatrixKinds.size(), std::size(expected));
    for (int type = 0; type < 6; ++type) {
        const KindRow& row = expected[type];
        const MatrixKind* kind = matrixKindAt(type);
        ASSERT_NE(kind, nullptr);
        EXPECT_EQ(kind->name, row.name);
        EXPECT_EQ(kind->shortName, row.shortName);
        EXPECT_EQ(kind->typeCode, row.typeCode) << row.name;
        EXPECT_EQ(hasAvLayers(type), row.avLayers) << row.name;
        EXPECT_EQ(hasVideoProperties(type), row.videoProperties) << row.name;
        EXPECT_EQ(matrixTypeOf(*kind), type);
    }
    for (const int outside : {-1, 6, 100}) {
        EXPECT_EQ(matrixKindAt(outside), nullptr);
        EXPECT_FALSE(hasAvLayers(outside));
        EXPECT_FALSE(hasVideoProperties(outside));
    }
}

struct KindText {
    std::string text;
    int matrixType; // -1: no kind
    std::optional<std::uint8_t> typeCode;
};

class MatrixKindByText : public testing::TestWithParam<KindText> {};

TEST_P(MatrixKindByText, TakesNamesShortNamesAndCodesInAnyCase) {
    const MatrixKind* kind = findMatrixKind(GetParam().text);
    EXPECT_EQ(kind ? matrixTypeOf(*kind) : -1, GetParam().matrixType);
    EXPECT_EQ(typeCodeFromText(GetParam().text), GetParam().typeCode);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MatrixKindByText,
    testing::Values(KindText{"HDMI", 3, 0xA6}, KindText{"hdmi", 3, 0xA6},
                    KindText{"HDMI Matrix", 3, 0xA6}, KindText{"hybrid MATRIX", 5, 0xA8},
                    KindText{"Hybrid", 5, 0xA8}, KindText{"av", 0, 0xA4}, KindText{"VGA", 1, 0xA0},
                    KindText{"sdi matrix", 4, 0xA7}, KindText{"DVI", 2, 0xA5},
                    KindText{"A6", 3, 0xA6}, KindText{"0xa0", 1, 0xA0},
                    // Codes that name no entry of the list: a simulated device may still report
                    // them.
                    KindText{"VGA+Audio Matrix", -1, 0xA3}, KindText{"video matrix", -1, 0xA1},
                    KindText{"A3", -1, 0xA3}, KindText{"55", -1, 0x55}, KindText{"0x5", -1, 0x05},
                    KindText{"Plasma", -1, std::nullopt}, KindText{"", -1, std::nullopt},
                    KindText{"HDMI ", -1, std::nullopt}, KindText{"123", -1, std::nullopt},
                    KindText{"0x", -1, std::nullopt}, KindText{"HDMIMatrix", -1, std::nullopt}));

// Sizes and the main window's baud list, by position; anything else has no entry.
TEST(MatrixKinds, SizesAndBaudRatesByTheirListPosition) {
    const int ports[] = {4, 8, 16, 32};
    const char* entries[] = {"4 * 4 SW-MATRIX", "8 * 8 SW-MATRIX", "16*16 SW-MATRIX",
                             "32*32 SW-MATRIX"};
    const int bauds[] = {2400, 4800, 9600, 19200};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(portsOfSizeIndex(i), ports[i]);
        EXPECT_EQ(sizeIndexOfPorts(ports[i]), i);
        EXPECT_EQ(kMatrixSizes[static_cast<std::size_t>(i)].entry, entries[i]);
        EXPECT_EQ(baudForIndex(i), bauds[i]);
        EXPECT_EQ(baudIndexOfRate(bauds[i]), i);
    }
    EXPECT_EQ(portsOfSizeIndex(-1), std::nullopt);
    EXPECT_EQ(portsOfSizeIndex(4), std::nullopt);
    EXPECT_EQ(sizeIndexOfPorts(6), std::nullopt);
    EXPECT_EQ(sizeIndexOfPorts(0), std::nullopt);
    EXPECT_EQ(baudForIndex(-1), 9600);
    EXPECT_EQ(baudForIndex(4), 9600);
    EXPECT_EQ(baudIndexOfRate(115200), std::nullopt);
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
