// matrix-sim answers requests, sent by hand, byte for byte as a matrix switcher does, on its
// pseudo-terminal and on its UDP port alike.

#include "tests/sim/hex_bytes.h"
#include "tests/sim/sim_peers.h"
#include "tests/support/shared_matrix_sim.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace sim_test {
namespace {

using test_support::SharedMatrixSim;

using namespace std::chrono_literals;

struct Step {
    std::string request;
    // Frames the device sends back, in order; none when it must stay silent. Over UDP each is
    // one datagram; on the serial line they follow each other.
    std::vector<std::string> replies;
};

struct Conversation {
    const char* name;
    std::vector<std::string> args;
    std::vector<Step> steps;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const Conversation& value, std::ostream* out) {
    *out << value.name;
}

enum class Transport { Serial, Udp };

const std::vector<Conversation>& Conversations() {
    static const std::vector<Conversation> kConversations = {
        {"SwitchEchoesTheSwitchedPair",
         {},
         {{"BA 01 01 04 A6 04 02 6C", {"BA 01 01 04 A6 04 02 6C"}}}},
        {"SwitchKeepsTheRequestsSignalCode",
         {},
         {{"BA 01 01 04 A1 07 07 6F", {"BA 01 01 04 A1 07 07 6F"}}}},
        {"SwitchToAPortOutsideTheMatrixIsIgnored", {}, {{"BA 01 01 04 A6 08 00 6E", {}}}},
        {"ReadSwitchReportsEveryAskedOutput",
         {"--size", "4"},
         {{"BA 01 01 04 A6 00 02 68", {"BA 01 01 04 A6 00 02 68"}},
          {"BA 01 01 04 A6 01 02 69", {"BA 01 01 04 A6 01 02 69"}},
          {"BA 01 01 04 A6 02 00 68", {"BA 01 01 04 A6 02 00 68"}},
          {"BA 01 01 04 A6 03 01 6A", {"BA 01 01 04 A6 03 01 6A"}},
          {"BA 01 02 06 A6 00 01 02 03 6F", {"BA 01 02 0A A6 00 02 01 02 02 00 03 01 78"}}}},
        {"ReadSwitchOfAnEightByEightAvMatrixAtAddressTwo",
         {"--address", "2", "--type", "AV Matrix"},
         {{"BA 02 02 0A A1 00 01 02 03 04 05 06 07 85",
           {"BA 02 02 12 A1 00 00 01 01 02 02 03 03 04 04 05 05 06 06 07 07 A9"}}}},
        {"ReadSwitchSkipsOutputsOutsideTheMatrix",
         {},
         {{"BA 01 02 05 A6 09 01 03 75", {"BA 01 02 06 A6 01 01 03 03 71"}}}},
        {"ReadSwitchOfAThirtyTwoPortMatrixFillsTheLongestReply",
         {"--size", "32"},
         {{"BA 01 02 22 A6 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 "
           "17 18 19 1A 1B 1C 1D 1E 1F 75",
           {"BA 01 02 42 A6 00 00 01 01 02 02 03 03 04 04 05 05 06 06 07 07 08 08 09 09 0A 0A 0B "
            "0B 0C 0C 0D 0D 0E 0E 0F 0F 10 10 11 11 12 12 13 13 14 14 15 15 16 16 17 17 18 18 19 "
            "19 1A 1A 1B 1B 1C 1C 1D 1D 1E 1E 1F 1F 85"}}}},
        {"IdentityReportsTypeAddressAndSizeWithLengthFive",
         {"--size", "16"},
         {{"BA FF 14 02 00 00", {"BA 01 14 05 00 A6 01 10 10"}}}},
        {"IdentityOfAHybridMatrixAtAddressFour",
         {"--size", "32", "--address", "4", "--type", "Hybrid matrix"},
         {{"BA FF 14 02 00 00", {"BA 04 14 05 00 A8 04 20 20"}}}},
        {"IdentityOfATypeGivenByItsShortName",
         {"--size", "4", "--type", "HDMI"},
         {{"BA FF 14 02 00 00", {"BA 01 14 05 00 A6 01 04 04"}}}},
        {"ShortNamesTakeAnyCase",
         {"--type", "hdmi"},
         {{"BA FF 14 02 00 00", {"BA 01 14 05 00 A6 01 08 08"}}}},
        {"IdentityOfADeviceOfUnknownType",
         {"--type", "55"},
         {{"BA FF 14 02 00 00", {"BA 01 14 05 00 55 01 08 08"}}}},
        {"IdentityAlsoAcceptsARealSum",
         {},
         {{"BA FF 14 02 00 CF", {"BA 01 14 05 00 A6 01 08 08"}}}},
        {"SavedSceneComesBackOnLoad",
         {},
         {{"BA 01 01 04 A6 00 07 6D", {"BA 01 01 04 A6 00 07 6D"}},
          {"BA 01 11 03 00 10 DF", {"BA 01 11 03 00 10 DF"}},
          {"BA 01 01 04 A6 00 01 67", {"BA 01 01 04 A6 00 01 67"}},
          {"BA 01 02 03 A6 00 66", {"BA 01 02 04 A6 00 01 68"}},
          {"BA 01 15 03 00 10 E3", {"BA 01 15 03 00 10 E3"}},
          {"BA 01 02 03 A6 00 66", {"BA 01 02 04 A6 00 07 6E"}}}},
        {"SaveSceneOneEchoes", {}, {{"BA 01 11 03 00 01 D0", {"BA 01 11 03 00 01 D0"}}}},
        {"InputPropertiesAreReportedAfterBeingSet",
         {},
         {{"BA 01 1D 05 00 0C 05 03 00", {}},
          {"BA 01 1D 05 00 0D 01 03 00", {}},
          {"BA 01 1D 05 00 0E 03 03 00", {}},
          {"BA 01 1D 05 00 11 FF 03 00", {"BA 01 1E 07 03 00 00 05 01 03 EC"}}}},
        {"InputPropertyOutOfRangeIsNotTaken",
         {},
         {{"BA 01 1D 05 00 0C 13 03 00", {}},
          {"BA 01 1D 05 00 0D 02 03 00", {}},
          {"BA 01 1D 05 00 11 FF 03 00", {"BA 01 1E 07 03 00 00 0D 00 00 F0"}}}},
        {"DeviceWithHeader96AnswersWith96",
         {"--header", "96"},
         {{"96 01 01 04 A6 04 02 48", {"96 01 01 04 A6 04 02 48"}},
          {"96 FF 14 02 00 00", {"96 01 14 05 00 A6 01 08 08"}},
          {"96 01 1D 05 00 11 FF 03 00", {"96 01 1E 07 03 00 00 0D 00 00 CC"}}}},
        {"DeviceWithHeader96IgnoresBAOnSelectableRequests",
         {"--header", "96"},
         {{"BA 01 01 04 A6 04 02 6C", {}}, {"BA FF 14 02 00 00", {}}}},
        {"DeviceWithHeader96TakesScenesWithBA",
         {"--header", "96"},
         {{"BA 01 11 03 00 01 D0", {"96 01 11 03 00 01 AC"}}}},
        {"FramesForAnotherAddressAreIgnored",
         {"--address", "3"},
         {{"BA 01 01 04 A6 04 02 6C", {}},
          {"BA FF 01 04 A6 04 02 6A", {"BA 03 01 04 A6 04 02 6E"}},
          {"BA 03 01 04 A6 04 02 6E", {"BA 03 01 04 A6 04 02 6E"}}}},
        {"NewAddressTakesEffectAtOnce",
         {},
         {{"BA FF 16 03 00 02 D4", {}},
          {"BA 01 01 04 A6 04 02 6C", {}},
          {"BA 02 01 04 A6 04 02 6D", {"BA 02 01 04 A6 04 02 6D"}}}},
        {"FrameWithAWrongSumIsIgnored",
         {},
         {{"BA 01 01 04 A6 04 02 6D", {}},
          {"BA 01 01 04 A6 04 02 6C", {"BA 01 01 04 A6 04 02 6C"}}}},
        {"NoiseBeforeAFrameIsSkipped",
         {},
         {{"00 FF 13 BA 01 01 04 A6 04 02 6C", {"BA 01 01 04 A6 04 02 6C"}}}},
        {"FalseHeaderWithAnImpossibleLengthIsSkipped",
         {},
         {{"BA 00 BA 01 01 04 A6 04 02 6C", {"BA 01 01 04 A6 04 02 6C"}}}},
        {"HalfAFrameBeforeAWholeOneIsSkipped",
         {},
         {{"BA 01 01 04 A6 BA 01 01 04 A6 04 02 6C", {"BA 01 01 04 A6 04 02 6C"}}}},
        // The false header announces 32 bytes that never come: the device gives it up after a
        // quiet moment and finds the real frame behind it.
        {"FalseHeaderWithAPlausibleLengthIsGivenUp",
         {},
         {{"BA 01 01 20 BA 01 01 04 A6 04 02 6C", {"BA 01 01 04 A6 04 02 6C"}}}},
        // A refused output answers with the input it still shows; the others switch as asked.
        {"RefusedOutputKeepsItsInputAndAnswersWithIt",
         {"--size", "4", "--refuse-output", "2"},
         {{"BA 01 01 04 A6 01 02 69", {"BA 01 01 04 A6 01 01 68"}},
          {"BA 01 01 04 A6 00 02 68", {"BA 01 01 04 A6 00 02 68"}},
          {"BA 01 02 06 A6 00 01 02 03 6F", {"BA 01 02 0A A6 00 02 01 01 02 02 03 03 7B"}}}},
        {"WrongInputAnswersTheNextInputButSwitchesAsAsked",
         {"--size", "4", "--wrong-input"},
         {{"BA 01 01 04 A6 00 02 68", {"BA 01 01 04 A6 00 03 69"}},
          {"BA 01 01 04 A6 01 03 6A", {"BA 01 01 04 A6 01 00 67"}},
          {"BA 01 02 06 A6 00 01 02 03 6F", {"BA 01 02 0A A6 00 02 01 03 02 02 03 03 7D"}}}},
        {"TwoFramesInOneWriteAreBothAnswered",
         {},
         {{"BA 01 01 04 A6 04 02 6C BA 01 11 03 00 01 D0",
           {"BA 01 01 04 A6 04 02 6C", "BA 01 11 03 00 01 D0"}}}},
    };
    return kConversations;
}

class ConversationAgainstSim : public testing::TestWithParam<std::tuple<Conversation, Transport>> {
};

TEST_P(ConversationAgainstSim, AnswersEveryRequestAsTheDeviceDoes) {
    const auto& [conversation, transport] = GetParam();
    SharedMatrixSim sim(conversation.args);
    ASSERT_TRUE(sim.ready()) << sim.error();

    if (transport == Transport::Serial) {
        SerialPeer port(sim.linkPath());
        ASSERT_TRUE(port.ok());
        for (const Step& step : conversation.steps) {
            port.Write(FromHex(step.request));
            std::string expected;
            for (const std::string& reply : step.replies)
                expected += (expected.empty() ? "" : " ") + reply;
            const std::size_t count = FromHex(expected).size();
            const auto got = count > 0 ? port.Read(count) : port.ReadUntilQuiet(300ms);
            EXPECT_EQ(ToHex(got), expected) << "request " << step.request << "\n" << sim.Log();
        }
        EXPECT_EQ(ToHex(port.ReadUntilQuiet(100ms)), "");
    } else {
        UdpPeer peer;
        ASSERT_TRUE(peer.ok());
        for (const Step& step : conversation.steps) {
            peer.SendTo(sim.udpPort(), FromHex(step.request));
            for (const std::string& reply : step.replies) {
                const auto got = peer.Receive();
                ASSERT_TRUE(got.has_value()) << "request " << step.request << "\n" << sim.Log();
                EXPECT_EQ(ToHex(*got), reply) << "request " << step.request;
            }
            if (step.replies.empty()) {
                EXPECT_FALSE(peer.Receive(300ms).has_value()) << "request " << step.request;
            }
        }
        EXPECT_FALSE(peer.Receive(100ms).has_value());
    }
}

INSTANTIATE_TEST_SUITE_P(Requests, ConversationAgainstSim,
                         testing::Combine(testing::ValuesIn(Conversations()),
                                          testing::Values(Transport::Serial, Transport::Udp)),
                         [](const testing::TestParamInfo<ConversationAgainstSim::ParamType>& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) == Transport::Serial ? "_Serial"
                                                                                  : "_Udp");
                         });

} // namespace
} // namespace sim_test
