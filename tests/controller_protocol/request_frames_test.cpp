#include "controller/protocol/command_frame.h"
#include "controller/protocol/setup_requests.h"
#include "controller/protocol/signal_code.h"
#include "controller/protocol/switch_requests.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace controller {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct RequestCase {
    std::string name;
    std::function<CommandFrame()> build;
    Bytes expected;
    LinkRoute route = LinkRoute::AllLinks;
};

void PrintTo(const RequestCase& c, std::ostream* os) {
    *os << c.name;
}

class RequestFrames : public testing::TestWithParam<RequestCase> {};

TEST_P(RequestFrames, AreBuiltByteForByte) {
    const CommandFrame frame = GetParam().build();
    EXPECT_EQ(frame.toVector(), GetParam().expected);
    EXPECT_EQ(frame.size(), GetParam().expected.size());
}

TEST_P(RequestFrames, TravelOnTheirLinks) {
    EXPECT_EQ(GetParam().build().route(), GetParam().route);
}

constexpr std::uint8_t kHdmi = 0xA6;

// Requests the main window sends itself.
INSTANTIATE_TEST_SUITE_P(
    MainWindowRequests, RequestFrames,
    testing::Values(RequestCase{"SwitchInput3ToOutput5",
                                [] { return switchRequest(0, 1, signalCode(3, 0), 4, 2); },
                                {0xBA, 0x01, 0x01, 0x04, 0xA6, 0x04, 0x02, 0x6C}},
                    RequestCase{"SwitchWithProtocolType1StartsWith96",
                                [] { return switchRequest(1, 1, kHdmi, 4, 2); },
                                {0x96, 0x01, 0x01, 0x04, 0xA6, 0x04, 0x02, 0x48}},
                    RequestCase{"ReadSwitch4x4",
                                [] { return readSwitchRequest(0, 1, kHdmi, 4); },
                                {0xBA, 0x01, 0x02, 0x06, 0xA6, 0x00, 0x01, 0x02, 0x03, 0x6F}},
                    RequestCase{"ReadSwitch8x8AvVideoAddress2",
                                [] { return readSwitchRequest(0, 2, signalCode(0, 1), 8); },
                                {0xBA, 0x02, 0x02, 0x0A, 0xA1, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05,
                                 0x06, 0x07, 0x85}},
                    RequestCase{"ReadSwitch16x16",
                                [] { return readSwitchRequest(0, 1, kHdmi, 16); },
                                {0xBA, 0x01, 0x02, 0x12, 0xA6, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05,
                                 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0xED}},
                    RequestCase{"ReadSwitch32x32",
                                [] { return readSwitchRequest(0, 1, kHdmi, 32); },
                                {0xBA, 0x01, 0x02, 0x22, 0xA6, 0x00, 0x01, 0x02, 0x03, 0x04,
                                 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E,
                                 0x0F, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18,
                                 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F, 0x75}},
                    RequestCase{"ReadSwitchWithProtocolType1StartsWith96",
                                [] { return readSwitchRequest(1, 1, kHdmi, 4); },
                                {0x96, 0x01, 0x02, 0x06, 0xA6, 0x00, 0x01, 0x02, 0x03, 0x4B}},
                    RequestCase{"ReadIdentityEndsInZeroNotChecksum",
                                [] { return readIdentityRequest(0); },
                                {0xBA, 0xFF, 0x14, 0x02, 0x00, 0x00}},
                    RequestCase{"ReadIdentityWithProtocolType1",
                                [] { return readIdentityRequest(1); },
                                {0x96, 0xFF, 0x14, 0x02, 0x00, 0x00}},
                    RequestCase{"SaveScene1",
                                [] { return saveSceneRequest(1, 1); },
                                {0xBA, 0x01, 0x11, 0x03, 0x00, 0x01, 0xD0}},
                    RequestCase{"SaveWithNoSceneChosenSendsZero",
                                [] { return saveSceneRequest(1, 0); },
                                {0xBA, 0x01, 0x11, 0x03, 0x00, 0x00, 0xCF}},
                    RequestCase{"LoadScene16",
                                [] { return loadSceneRequest(1, 16); },
                                {0xBA, 0x01, 0x15, 0x03, 0x00, 0x10, 0xE3}},
                    RequestCase{"StartCycling",
                                [] { return startCycleRequest(1); },
                                {0xBA, 0x01, 0x1A, 0x03, 0x00, 0x00, 0xD8}},
                    RequestCase{"StopCycling",
                                [] { return stopCycleRequest(1); },
                                {0xBA, 0x01, 0x1A, 0x03, 0x00, 0xFF, 0xD7}}),
    [](const auto& info) { return info.param.name; });

// Requests of the Setup dialog.
INSTANTIATE_TEST_SUITE_P(
    SetupDialogRequests, RequestFrames,
    testing::Values(RequestCase{"BaudCode1GoesOnSerialOnly",
                                [] { return changeBaudRequest(1, 1); },
                                {0xBA, 0x01, 0x18, 0x03, 0x00, 0x01, 0xD7},
                                LinkRoute::SerialOnly},
                    RequestCase{"NewAddress2GoesToEveryDevice",
                                [] { return changeAddressRequest(2); },
                                {0xBA, 0xFF, 0x16, 0x03, 0x00, 0x02, 0xD4}},
                    RequestCase{"CycleInterval10",
                                [] { return cycleIntervalRequest(1, 10); },
                                {0xBA, 0x01, 0x1B, 0x03, 0x00, 0x0A, 0xE3}},
                    RequestCase{"CycleScenes1And9",
                                [] { return cycleScenesRequest(1, 0x0101); },
                                {0xBA, 0x01, 0x19, 0x04, 0x00, 0x01, 0x01, 0xDA}},
                    RequestCase{"CycleScene16OnlySendsHighByteFirst",
                                [] { return cycleScenesRequest(1, 0x8000); },
                                {0xBA, 0x01, 0x19, 0x04, 0x00, 0x80, 0x00, 0x58}},
                    RequestCase{"CycleScenes1To8",
                                [] { return cycleScenesRequest(1, 0x00FF); },
                                {0xBA, 0x01, 0x19, 0x04, 0x00, 0x00, 0xFF, 0xD7}},
                    RequestCase{"CycleNoScene",
                                [] { return cycleScenesRequest(1, 0x0000); },
                                {0xBA, 0x01, 0x19, 0x04, 0x00, 0x00, 0x00, 0xD8}},
                    RequestCase{"Brightness128OnOutputChannel0",
                                [] {
                                    return outputPropertyRequest(0, 1, output_property::kBrightness,
                                                                 128, 0);
                                },
                                {0xBA, 0x01, 0x1C, 0x05, 0x00, 0xB1, 0x80, 0x00, 0x00}},
                    RequestCase{"ReadInputChannel3",
                                [] {
                                    return inputPropertyRequest(0, 1, input_property::kRead,
                                                                input_property::kReadValue, 3);
                                },
                                {0xBA, 0x01, 0x1D, 0x05, 0x00, 0x11, 0xFF, 0x03, 0x00}},
                    RequestCase{"OutputPropertyWithProtocolType1StartsWith96",
                                [] {
                                    return outputPropertyRequest(1, 1, output_property::kBrightness,
                                                                 128, 0);
                                },
                                {0x96, 0x01, 0x1C, 0x05, 0x00, 0xB1, 0x80, 0x00, 0x00}},
                    RequestCase{"InputPropertyWithProtocolType1StartsWith96",
                                [] {
                                    return inputPropertyRequest(1, 1, input_property::kRead,
                                                                input_property::kReadValue, 3);
                                },
                                {0x96, 0x01, 0x1D, 0x05, 0x00, 0x11, 0xFF, 0x03, 0x00}}),
    [](const auto& info) { return info.param.name; });

// ProtocolType changes the header of the selectable requests only; scenes, cycling and
// configuration always start with 0xBA, so their builders do not even take it.
TEST(HeaderSelection, AnyNonZeroProtocolTypeSelects96) {
    EXPECT_EQ(selectableHeader(0), 0xBA);
    EXPECT_EQ(selectableHeader(1), 0x96);
    EXPECT_EQ(selectableHeader(2), 0x96);
    EXPECT_EQ(selectableHeader(-1), 0x96);
}

TEST(FrameBuilder, LengthCountsDataAndChecksumAndSumWrapsTo8Bits) {
    const Bytes data{0xFF, 0xFF, 0xFF};
    const auto frame = buildFrame(HeaderChoice::FixedBA, 1, 0x08, 0x30, data);
    ASSERT_TRUE(frame);
    // BA + 08 + 30 + 04 + FF + FF + FF = 0x3F3
    EXPECT_EQ(frame->toVector(), (Bytes{0xBA, 0x08, 0x30, 0x04, 0xFF, 0xFF, 0xFF, 0xF3}));
}

TEST(FrameBuilder, OnlyIdentityAndVideoPropertyCommandsEndInZero) {
    for (int code = 0; code <= 0xFF; ++code) {
        const auto command = static_cast<std::uint8_t>(code);
        const auto frame = buildFrame(HeaderChoice::Selectable, 0, 0x01, command, Bytes{0x00});
        ASSERT_TRUE(frame);
        const bool zero = command == 0x14 || command == 0x1C || command == 0x1D;
        const std::uint8_t sum = static_cast<std::uint8_t>(0xBA + 0x01 + command + 0x02);
        EXPECT_EQ((*frame)[5], zero ? 0x00 : sum) << "command " << code;
    }
}

TEST(FrameBuilder, AcceptsExactlyAsMuchDataAsTheLengthByteCanAnnounce) {
    const auto largest = buildFrame(HeaderChoice::FixedBA, 0, 1, 0x30, Bytes(254, 0x00));
    ASSERT_TRUE(largest);
    EXPECT_EQ(largest->size(), 259u);
    EXPECT_EQ((*largest)[3], 0xFF);
    EXPECT_FALSE(buildFrame(HeaderChoice::FixedBA, 0, 1, 0x30, Bytes(255, 0x00)));

    const auto empty = buildFrame(HeaderChoice::FixedBA, 0, 1, 0x30, Bytes{});
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->toVector(), (Bytes{0xBA, 0x01, 0x30, 0x01, 0xEC}));
    EXPECT_THROW((void)(*empty)[5], std::out_of_range);
}

TEST(ReadSwitchRequest, PortCountFollowsTheSizeListAndFallsBackTo4x4) {
    EXPECT_EQ(portCountForMatrixSize(0), 4);
    EXPECT_EQ(portCountForMatrixSize(1), 8);
    EXPECT_EQ(portCountForMatrixSize(2), 16);
    EXPECT_EQ(portCountForMatrixSize(3), 32);
    EXPECT_EQ(portCountForMatrixSize(4), 4);
    EXPECT_EQ(portCountForMatrixSize(-1), 4);
    // A count beyond the largest grid never asks for more than 32 outputs.
    EXPECT_EQ(readSwitchRequest(0, 1, kHdmi, 1000).size(), 38u);
    EXPECT_EQ(readSwitchRequest(0, 1, kHdmi, -5).toVector(),
              (Bytes{0xBA, 0x01, 0x02, 0x02, 0xA6, 0x65}));
}

} // namespace
} // namespace controller

namespace controller {
namespace {

TEST(LinkChoice, BaudRequestNeverReachesTheNetwork) {
    const CommandFrame baud = changeBaudRequest(1, 1);
    EXPECT_EQ(linksFor(baud, true, true), (LinkTargets{true, false}));
    EXPECT_EQ(linksFor(baud, false, true), (LinkTargets{false, false}));
    EXPECT_EQ(linksFor(baud, true, false), (LinkTargets{true, false}));
}

TEST(LinkChoice, OtherRequestsGoOnEveryActiveLink) {
    const CommandFrame address = changeAddressRequest(2);
    EXPECT_EQ(linksFor(address, true, true), (LinkTargets{true, true}));
    EXPECT_EQ(linksFor(address, false, true), (LinkTargets{false, true}));
    EXPECT_EQ(linksFor(address, true, false), (LinkTargets{true, false}));
    EXPECT_EQ(linksFor(address, false, false), (LinkTargets{false, false}));
}

} // namespace
} // namespace controller
