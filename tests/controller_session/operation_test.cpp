// Which received frames answer which request, byte for byte, and what the answer says. The
// session offers every complete frame to its operations under way through these two functions.
#include "controller/session/operation.h"

#include <gtest/gtest.h>

#include <vector>

namespace controller {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct JudgeCase {
    const char* name;
    Operation op;
    std::uint8_t asked;
    Bytes frame;
    Verdict verdict;
};

// An 8x8 matrix throughout.
const JudgeCase kJudgeCases[] = {
    // Input 3 to output 5 (from 0: 2 to 4), echoed by device 1.
    {"EchoOfTheSwitchConfirms",
     Operation::switchInput(4, 2),
     1,
     {0xBA, 0x01, 0x01, 0x04, 0xA6, 0x04, 0x02, 0x6C},
     Verdict::Answer},
    {"EchoOfAnotherInputIsNotYetTheAnswer",
     Operation::switchInput(4, 3),
     1,
     {0xBA, 0x01, 0x01, 0x04, 0xA6, 0x04, 0x02, 0x6C},
     Verdict::NotYet},
    {"EchoOfAnotherOutputIsNotYetTheAnswer",
     Operation::switchInput(5, 2),
     1,
     {0xBA, 0x01, 0x01, 0x04, 0xA6, 0x04, 0x02, 0x6C},
     Verdict::NotYet},
    {"EchoFromAnotherDeviceIsForeign",
     Operation::switchInput(4, 2),
     1,
     {0xBA, 0x05, 0x01, 0x04, 0xA6, 0x04, 0x02, 0x70},
     Verdict::Foreign},
    {"EchoToEveryDeviceAnswersAnyAddress",
     Operation::switchInput(4, 2),
     1,
     {0xBA, 0xFF, 0x01, 0x04, 0xA6, 0x04, 0x02, 0x6A},
     Verdict::Answer},
    {"AskedOfEveryDeviceAnyEchoAnswers",
     Operation::switchInput(4, 2),
     0xFF,
     {0xBA, 0x03, 0x01, 0x04, 0xA6, 0x04, 0x02, 0x6E},
     Verdict::Answer},
    {"ReadBackDoesNotAnswerASwitch",
     Operation::switchInput(4, 2),
     1,
     {0xBA, 0x01, 0x02, 0x04, 0xA6, 0x04, 0x02, 0x6D},
     Verdict::Unrelated},
    {"EchoWithOddPairBytesNamesNothing",
     Operation::switchInput(4, 2),
     1,
     {0xBA, 0x01, 0x01, 0x05, 0xA6, 0x04, 0x02, 0x01, 0x6E},
     Verdict::NotYet},
    {"ReadBackOfAnyLengthAnswersARead",
     Operation::readState(),
     1,
     {0xBA, 0x01, 0x02, 0x02, 0xA6, 0x65},
     Verdict::Answer},
    {"ReadBackFromDevice2IsForeign",
     Operation::readState(),
     1,
     {0xBA, 0x02, 0x02, 0x02, 0xA6, 0x66},
     Verdict::Foreign},
    {"IdentityFromDevice3Answers",
     Operation::identity(),
     0xFF,
     {0xBA, 0x03, 0x14, 0x05, 0x00, 0xA6, 0x03, 0x08, 0x08},
     Verdict::Answer},
    {"IdentityOfAnotherLengthDoesNot",
     Operation::identity(),
     0xFF,
     {0xBA, 0x03, 0x14, 0x04, 0x00, 0xA6, 0x03, 0x08},
     Verdict::Unrelated},
    {"SceneSavedAnswersTheSave",
     Operation::saveScene(3),
     1,
     {0xBA, 0x01, 0x11, 0x03, 0x00, 0x03, 0xD2},
     Verdict::Answer},
    {"SceneLoadedDoesNotAnswerTheSave",
     Operation::saveScene(3),
     1,
     {0xBA, 0x01, 0x15, 0x03, 0x00, 0x03, 0xD6},
     Verdict::Unrelated},
    {"ReportOfTheInputAnswersItsRead",
     Operation::inputProperty(0x11, 0xFF, 3),
     1,
     {0xBA, 0x01, 0x1E, 0x07, 0x03, 0x00, 0x00, 0x05, 0x01, 0x02, 0xEE},
     Verdict::Answer},
    {"ReportOfAnotherInputIsNotYet",
     Operation::inputProperty(0x11, 0xFF, 2),
     1,
     {0xBA, 0x01, 0x1E, 0x07, 0x03, 0x00, 0x00, 0x05, 0x01, 0x02, 0xEE},
     Verdict::NotYet},
    {"CyclingWaitsForNothing",
     Operation::cycling(true),
     1,
     {0xBA, 0x01, 0x1A, 0x03, 0x00, 0x00, 0xD8},
     Verdict::Unrelated},
    {"FrameShorterThanItsLengthAnswersNothing",
     Operation::readState(),
     1,
     {0xBA, 0x01, 0x02, 0x0A, 0xA6},
     Verdict::Unrelated},
};

class JudgeFrame : public testing::TestWithParam<JudgeCase> {};

TEST_P(JudgeFrame, SaysWhetherTheFrameAnswersTheRequest) {
    const JudgeCase& c = GetParam();
    EXPECT_EQ(judgeFrame(c.op, c.asked, 8, c.frame), c.verdict);
}

INSTANTIATE_TEST_SUITE_P(Cases, JudgeFrame, testing::ValuesIn(kJudgeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(OperationAnswer, CarriesWhatTheDeviceReported) {
    const OperationResult identity =
        answerResult(Operation::identity(), 0xFF, 8,
                     Bytes{0xBA, 0x03, 0x14, 0x05, 0x00, 0xA6, 0x03, 0x10, 0x08});
    EXPECT_EQ(identity.outcome, Outcome::Confirmed);
    EXPECT_EQ(identity.answeredBy, 3);
    EXPECT_EQ(identity.identity, (DeviceIdentity{0xA6, 3, 16, 8}));

    // Output 2 named twice: the later pair wins; output 9 lies outside the 8x8 matrix.
    const OperationResult read =
        answerResult(Operation::readState(), 1, 8,
                     Bytes{0xBA, 0x01, 0x02, 0x08, 0xA6, 0x01, 0x03, 0x08, 0x00, 0x01, 0x05, 0x00});
    EXPECT_EQ(read.crosspoints, (std::vector<Crosspoint>{{1, 5}}));

    const OperationResult scene = answerResult(Operation::loadScene(4), 1, 8,
                                               Bytes{0xBA, 0x01, 0x15, 0x03, 0x00, 0x05, 0xD8});
    EXPECT_EQ(scene.outcome, Outcome::AnsweredOtherwise);
    EXPECT_EQ(scene.scene, 5);

    const Operation sw = Operation::switchInput(4, 2);
    const OperationResult refused =
        readBackResult(sw, 1, 8, Bytes{0xBA, 0x01, 0x02, 0x06, 0xA6, 0x04, 0x07, 0x05, 0x05, 0x7C});
    EXPECT_EQ(refused.outcome, Outcome::AnsweredOtherwise);
    EXPECT_EQ(refused.shownInput, 7);
    EXPECT_EQ(echoedInput(sw, 8, Bytes{0xBA, 0x01, 0x01, 0x04, 0xA6, 0x04, 0x06, 0x70}), 6);
}

} // namespace
} // namespace controller
