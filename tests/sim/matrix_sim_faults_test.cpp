// matrix-sim's fault switches misbehave the way a test of the controller needs them to: no
// answer, a late one, one for another address, one in pieces, one twice.

#include "tests/sim/hex_bytes.h"
#include "tests/sim/sim_peers.h"
#include "tests/support/shared_matrix_sim.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace sim_test {
namespace {

using test_support::SharedMatrixSim;

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const char kSwitch[] = "BA 01 01 04 A6 04 02 6C";
const char kSwitchReply[] = "BA 01 01 04 A6 04 02 6C";
const char kSaveScene1[] = "BA 01 11 03 00 01 D0";

TEST(FaultsAgainstSim, SilentDeviceActsButNeverAnswers) {
    SharedMatrixSim sim({"--silent"});
    ASSERT_TRUE(sim.ready()) << sim.error();
    UdpPeer peer;
    peer.SendTo(sim.udpPort(), FromHex(kSwitch));
    SerialPeer port(sim.linkPath());
    port.Write(FromHex("BA FF 14 02 00 00"));

    EXPECT_TRUE(sim.WaitForState("crosspoints", "0 1 2 3 2 5 6 7"));
    EXPECT_FALSE(peer.Receive(400ms).has_value());
    EXPECT_EQ(ToHex(port.ReadUntilQuiet(300ms)), "");
    EXPECT_NE(sim.Log().find("udp withheld BA 01 01 04 A6 04 02 6C"), std::string::npos)
        << sim.Log();
    EXPECT_NE(sim.Log().find("serial withheld BA 01 14 05 00 A6 01 08 08"), std::string::npos)
        << sim.Log();
}

TEST(FaultsAgainstSim, DelayedAnswerComesNoSoonerThanAsked) {
    SharedMatrixSim sim({"--delay-ms", "600"});
    ASSERT_TRUE(sim.ready()) << sim.error();
    UdpPeer peer;
    const auto sent = Clock::now();
    peer.SendTo(sim.udpPort(), FromHex(kSwitch));
    const auto reply = peer.Receive(5s);
    const auto waited = Clock::now() - sent;
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(ToHex(*reply), kSwitchReply);
    EXPECT_GE(waited, 600ms);
}

TEST(FaultsAgainstSim, DelayedAnswersOnTheSerialLineKeepTheirOrder) {
    SharedMatrixSim sim({"--delay-ms", "200"});
    ASSERT_TRUE(sim.ready()) << sim.error();
    SerialPeer port(sim.linkPath());
    port.Write(FromHex(kSwitch));
    port.Write(FromHex(kSaveScene1));
    EXPECT_EQ(ToHex(port.ReadUntilQuiet(100ms)), "");
    EXPECT_EQ(ToHex(port.Read(15)), "BA 01 01 04 A6 04 02 6C BA 01 11 03 00 01 D0");
}

TEST(FaultsAgainstSim, ReplyAddressReplacesTheAddressByteAndKeepsTheSumRight) {
    SharedMatrixSim sim({"--reply-address", "5"});
    ASSERT_TRUE(sim.ready()) << sim.error();
    UdpPeer peer;
    peer.SendTo(sim.udpPort(), FromHex(kSwitch));
    auto reply = peer.Receive();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(ToHex(*reply), "BA 05 01 04 A6 04 02 70");

    // The identity still reports the device's own address in its data.
    peer.SendTo(sim.udpPort(), FromHex("BA FF 14 02 00 00"));
    reply = peer.Receive();
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(ToHex(*reply), "BA 05 14 05 00 A6 01 08 08");
}

TEST(FaultsAgainstSim, SplitAnswerArrivesAsSeparateDatagramsInOrder) {
    SharedMatrixSim sim({"--split", "3", "--split-pause-ms", "10"});
    ASSERT_TRUE(sim.ready()) << sim.error();
    UdpPeer peer;
    peer.SendTo(sim.udpPort(), FromHex(kSwitch));
    for (const char* piece : {"BA 01 01", "04 A6 04", "02 6C"}) {
        const auto got = peer.Receive();
        ASSERT_TRUE(got.has_value()) << "missing piece " << piece;
        EXPECT_EQ(ToHex(*got), piece);
    }
    EXPECT_FALSE(peer.Receive(200ms).has_value());
}

TEST(FaultsAgainstSim, SplitAnswersOfTwoRequestsDoNotInterleave) {
    SharedMatrixSim sim({"--split", "4", "--split-pause-ms", "5"});
    ASSERT_TRUE(sim.ready()) << sim.error();
    UdpPeer peer;
    peer.SendTo(sim.udpPort(), FromHex(std::string(kSwitch) + " " + kSaveScene1));
    for (const char* piece : {"BA 01 01 04", "A6 04 02 6C", "BA 01 11 03", "00 01 D0"}) {
        const auto got = peer.Receive();
        ASSERT_TRUE(got.has_value()) << "missing piece " << piece;
        EXPECT_EQ(ToHex(*got), piece);
    }
}

TEST(FaultsAgainstSim, SplitAnswerOnTheSerialLinePausesBetweenPieces) {
    SharedMatrixSim sim({"--split", "3", "--split-pause-ms", "600"});
    ASSERT_TRUE(sim.ready()) << sim.error();
    SerialPeer port(sim.linkPath());
    port.Write(FromHex(kSwitch));
    EXPECT_EQ(ToHex(port.Read(3)), "BA 01 01");
    // The next piece is still 600 ms away.
    EXPECT_EQ(ToHex(port.ReadUntilQuiet(100ms)), "");
    EXPECT_EQ(ToHex(port.Read(5)), "04 A6 04 02 6C");
}

TEST(FaultsAgainstSim, DoubleSendsEveryAnswerTwiceBackToBack) {
    SharedMatrixSim sim({"--double"});
    ASSERT_TRUE(sim.ready()) << sim.error();
    UdpPeer peer;
    peer.SendTo(sim.udpPort(), FromHex(kSaveScene1));
    for (int copy = 0; copy < 2; ++copy) {
        const auto got = peer.Receive();
        ASSERT_TRUE(got.has_value()) << "copy " << copy;
        EXPECT_EQ(ToHex(*got), "BA 01 11 03 00 01 D0");
    }
    EXPECT_FALSE(peer.Receive(200ms).has_value());

    SerialPeer port(sim.linkPath());
    port.Write(FromHex(kSwitch));
    EXPECT_EQ(ToHex(port.Read(16)), "BA 01 01 04 A6 04 02 6C BA 01 01 04 A6 04 02 6C");
    EXPECT_EQ(ToHex(port.ReadUntilQuiet(100ms)), "");
}

} // namespace
} // namespace sim_test
