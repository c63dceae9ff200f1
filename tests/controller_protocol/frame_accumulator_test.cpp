#include "controller/protocol/frame_accumulator.h"
#include "tests/controller_protocol/recording_handler.h"

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

namespace controller {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Events = std::vector<std::string>;

// The worked read-back reply of a 4x4 device 1.
const Bytes kReadBack{0xBA, 0x01, 0x02, 0x0A, 0xA6, 0x00, 0x02,
                      0x01, 0x02, 0x02, 0x00, 0x03, 0x01, 0x78};
const Events kReadBackEvents{"end read", "pairs 0<2 1<2 2<0 3<1"};
const Bytes kSaved{0xBA, 0x01, 0x11, 0x02, 0x00, 0xCE};
const Bytes kReloaded{0xBA, 0x01, 0x15, 0x02, 0x00, 0xD2};
const Bytes kSwitched{0xBA, 0x01, 0x01, 0x04, 0xA6, 0x03, 0x01, 0x6A};

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

class ReplyCollection : public testing::Test {
protected:
    void serial(std::span<const std::uint8_t> bytes) {
        accumulator.collect(serialBuffer, bytes, context, handler);
    }
    void network(std::span<const std::uint8_t> bytes) {
        accumulator.collect(networkBuffer, bytes, context, handler);
    }

    FrameAccumulator accumulator;
    FrameAccumulator::LinkBuffer serialBuffer{kSerialLink};
    FrameAccumulator::LinkBuffer networkBuffer{kUdpLink};
    DispatchContext context{0, 1, 4, 4};
    RecordingHandler handler;
};

TEST_F(ReplyCollection, SerialReplySplitAtEveryByteBoundaryIsDispatchedOnItsLastByte) {
    for (std::size_t cut = 1; cut < kReadBack.size(); ++cut) {
        SCOPED_TRACE("cut after byte " + std::to_string(cut));
        handler.events.clear();
        serial(std::span(kReadBack).first(cut));
        EXPECT_EQ(handler.events, Events{});
        EXPECT_EQ(serialBuffer.waiting(), cut);
        serial(std::span(kReadBack).subspan(cut));
        EXPECT_EQ(handler.events, kReadBackEvents);
        EXPECT_EQ(serialBuffer.waiting(), 0u);
    }
}

TEST_F(ReplyCollection, SerialReplyInSingleBytesWaitsForAllLPlus4) {
    for (std::size_t i = 0; i + 1 < kReadBack.size(); ++i) {
        serial(std::span(kReadBack).subspan(i, 1));
    }
    EXPECT_EQ(handler.events, Events{}) << "L + 3 bytes must not be enough";
    serial(std::span(kReadBack).last(1));
    EXPECT_EQ(handler.events, kReadBackEvents);
}

TEST_F(ReplyCollection, EveryFrameOfOneSerialBatchIsDispatchedInOrder) {
    serial(join({kSaved, kReadBack, kSwitched}));
    EXPECT_EQ(handler.events, (Events{"text:  Save scene successfully!  ", "end read",
                                      "pairs 0<2 1<2 2<0 3<1", "pairs 3<1"}));
    EXPECT_EQ(serialBuffer.waiting(), 0u);
}

TEST_F(ReplyCollection, UnfinishedFrameAfterCompleteOnesWaitsForTheNextBatch) {
    const Bytes batch = join({kSwitched, Bytes(kReadBack.begin(), kReadBack.begin() + 5)});
    serial(batch);
    EXPECT_EQ(handler.events, (Events{"pairs 3<1"}));
    EXPECT_EQ(serialBuffer.waiting(), 5u);
    serial(std::span(kReadBack).subspan(5));
    EXPECT_EQ(handler.events, (Events{"pairs 3<1", "end read", "pairs 0<2 1<2 2<0 3<1"}));
}

TEST_F(ReplyCollection, WrongFirstByteEmptiesTheSerialBuffer) {
    serial(Bytes{0x55, 0xBA, 0x01, 0x11, 0x02, 0x00, 0xCE});
    EXPECT_EQ(handler.events, Events{});
    EXPECT_EQ(serialBuffer.waiting(), 0u);

    // Garbage after a complete frame goes too, and with it whatever followed it.
    serial(join({kSaved, Bytes{0x00}, kSwitched}));
    EXPECT_EQ(handler.events, (Events{"text:  Save scene successfully!  "}));
    EXPECT_EQ(serialBuffer.waiting(), 0u);

    // The buffer is usable again at once.
    serial(kSwitched);
    EXPECT_EQ(handler.events.back(), "pairs 3<1");
}

TEST_F(ReplyCollection, ProtocolType1AcceptsOnly96Replies) {
    context.protocolType = 1;
    serial(kSaved);
    network(kSaved);
    EXPECT_EQ(handler.events, Events{});
    EXPECT_EQ(serialBuffer.waiting(), 0u);
    EXPECT_EQ(networkBuffer.waiting(), 0u);

    serial(Bytes{0x96, 0x01, 0x11, 0x02, 0x00, 0xAA});
    network(Bytes{0x96, 0x01, 0x15, 0x02, 0x00, 0xAE});
    EXPECT_EQ(handler.events,
              (Events{"text:  Save scene successfully!  ", "text:  Reload scene successfully!  "}));
}

TEST_F(ReplyCollection, ForeignAddressIsTakenOutButNotDispatched) {
    serial(Bytes{0xBA, 0x05, 0x11, 0x02, 0x00, 0xD2});
    EXPECT_EQ(handler.events, Events{});
    EXPECT_EQ(serialBuffer.waiting(), 0u);
    serial(Bytes{0xBA, 0xFF, 0x11, 0x02, 0x00, 0xCC});
    EXPECT_EQ(handler.events, (Events{"text:  Save scene successfully!  "}));
}

// Every length byte the device could send, with a read-back that ends the wait whatever its
// length. Its pair bytes name output 63, which no grid has, so only the end is seen.
TEST_F(ReplyCollection, EveryLengthByteIsWaitedForExactlyOnBothLinks) {
    for (int length = 0; length <= 255; ++length) {
        SCOPED_TRACE("L = " + std::to_string(length));
        Bytes frame{0xBA, 0x01, 0x02, static_cast<std::uint8_t>(length)};
        frame.resize(static_cast<std::size_t>(length) + 4, 0x3F);

        handler.events.clear();
        serial(std::span(frame).first(frame.size() - 1));
        network(std::span(frame).first(frame.size() - 1));
        EXPECT_EQ(handler.events, Events{});
        EXPECT_EQ(serialBuffer.waiting(), frame.size() - 1);
        EXPECT_EQ(networkBuffer.waiting(), frame.size() - 1);

        serial(std::span(frame).last(1));
        network(std::span(frame).last(1));
        EXPECT_EQ(handler.events, (Events{"end read", "end read"}));
        EXPECT_EQ(serialBuffer.waiting(), 0u);
        EXPECT_EQ(networkBuffer.waiting(), 0u);
    }
}

TEST_F(ReplyCollection, SerialBatchLargerThanTheBufferLosesNoCompleteFrame) {
    Bytes batch;
    for (int i = 0; i < 100; ++i) {
        batch.insert(batch.end(), kReadBack.begin(), kReadBack.end());
    }
    ASSERT_GT(batch.size(), FrameAccumulator::kStreamBufferCapacity);
    serial(batch);
    EXPECT_EQ(handler.events.size(), 200u);
    EXPECT_EQ(serialBuffer.waiting(), 0u);
}

TEST_F(ReplyCollection, LargestFramesBackToBackFillTheBufferSafely) {
    Bytes largest{0xBA, 0x01, 0x02, 0xFF};
    largest.resize(259, 0x3F);
    Bytes batch;
    for (int i = 0; i < 9; ++i) {
        batch.insert(batch.end(), largest.begin(), largest.end());
    }
    batch.insert(batch.end(), largest.begin(), largest.begin() + 100);
    serial(batch);
    EXPECT_EQ(handler.events, Events(9, "end read"));
    EXPECT_EQ(serialBuffer.waiting(), 100u);
}

TEST_F(ReplyCollection, NoiseNeverOverrunsEitherBuffer) {
    Bytes noise(5000);
    std::uint32_t state = 12345;
    for (auto& b : noise) {
        state = state * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(state >> 16);
        if (b % 7 == 0) {
            b = 0xBA; // keep headers coming so that frames start and grow
        }
    }
    for (std::size_t i = 0; i < noise.size(); i += 977) {
        const auto chunk =
            std::span(noise).subspan(i, std::min<std::size_t>(977, noise.size() - i));
        serial(chunk);
        network(chunk);
        EXPECT_LE(serialBuffer.waiting(), FrameAccumulator::kStreamBufferCapacity);
        EXPECT_LE(networkBuffer.waiting(), FrameAccumulator::kDatagramBufferCapacity);
    }
}

TEST_F(ReplyCollection, DatagramDeliversOneFrameAndDropsTheRest) {
    network(join({kSwitched, kSaved, Bytes{0x01, 0x02}}));
    EXPECT_EQ(handler.events, (Events{"pairs 3<1"}));
    EXPECT_EQ(networkBuffer.waiting(), 0u);
}

TEST_F(ReplyCollection, FrameSplitOverDatagramsWaitsAndAnEmptyPollKeepsIt) {
    network(std::span(kReadBack).first(3));
    network({});
    EXPECT_EQ(networkBuffer.waiting(), 3u);
    network(std::span(kReadBack).subspan(3, 6));
    EXPECT_EQ(handler.events, Events{});
    network(std::span(kReadBack).subspan(9));
    EXPECT_EQ(handler.events, kReadBackEvents);
}

TEST_F(ReplyCollection, WrongFirstByteEmptiesTheNetworkBuffer) {
    network(Bytes{0x00, 0xBA, 0x01, 0x11});
    EXPECT_EQ(networkBuffer.waiting(), 0u);
    network(kSaved);
    EXPECT_EQ(handler.events, (Events{"text:  Save scene successfully!  "}));
}

TEST_F(ReplyCollection, HugeDatagramKeepsOnlyItsFrame) {
    Bytes datagram = kReloaded;
    datagram.resize(4000, 0xBA);
    network(datagram);
    EXPECT_EQ(handler.events, (Events{"text:  Reload scene successfully!  "}));
    EXPECT_EQ(networkBuffer.waiting(), 0u);
}

TEST_F(ReplyCollection, LinksKeepSeparateBuffersAndTheirOwnReloadText) {
    serial(std::span(kReloaded).first(4));
    network(kReloaded);
    EXPECT_EQ(serialBuffer.waiting(), 4u);
    serial(std::span(kReloaded).subspan(4));
    EXPECT_EQ(handler.events,
              (Events{"text:  Reload scene successfully!  ", "text:Reload scene successfully!"}));
}

// A prompt opened by one reply runs an event loop in which more serial bytes arrive and are
// collected. The frames still waiting from the outer batch go first, then the new ones, each
// exactly once, and the outer call finds nothing left to do.
TEST_F(ReplyCollection, CollectionInsideAnEffectKeepsArrivalOrder) {
    const Bytes outer = join({kSaved, kSwitched, Bytes(kReadBack.begin(), kReadBack.begin() + 6)});
    handler.duringEffect = [&] {
        EXPECT_EQ(serialBuffer.waiting(), 6u) << "frames are out before effects run";
        serial(std::span(kReadBack).subspan(6));
    };
    serial(outer);
    EXPECT_EQ(handler.events, (Events{"text:  Save scene successfully!  ", "pairs 3<1", "end read",
                                      "pairs 0<2 1<2 2<0 3<1"}));
    EXPECT_EQ(serialBuffer.waiting(), 0u);
}

TEST_F(ReplyCollection, NetworkPollInsideASerialEffectIsDispatchedAtOnce) {
    handler.duringEffect = [&] { network(kReloaded); };
    serial(join({kSaved, kSwitched}));
    EXPECT_EQ(handler.events, (Events{"text:  Save scene successfully!  ", "pairs 3<1",
                                      "text:  Reload scene successfully!  "}));
}

TEST_F(ReplyCollection, NestedCollectionUsesItsOwnContext) {
    // The operator picked device 2 while the first prompt was open.
    handler.duringEffect = [&] {
        const DispatchContext device2{0, 2, 4, 4};
        accumulator.collect(serialBuffer, Bytes{0xBA, 0x02, 0x11, 0x02, 0x00, 0xCF}, device2,
                            handler);
    };
    serial(kSaved);
    EXPECT_EQ(handler.events,
              (Events{"text:  Save scene successfully!  ", "text:  Save scene successfully!  "}));
}

// What goes past, as a view of the traffic sees it: every frame (whatever its address), which of
// them are accepted, and every byte thrown away, in the order of arrival among the effects.
class TrafficRecordingHandler : public RecordingHandler {
public:
    void frameCollected(std::span<const std::uint8_t> f, const LinkInfo& s) override {
        events.push_back(line(s, "frame", f));
    }
    void bytesDiscarded(std::span<const std::uint8_t> b, const LinkInfo& s) override {
        events.push_back(line(s, "dropped", b));
    }
    void replyAccepted(std::span<const std::uint8_t>, const LinkInfo& s) override {
        events.push_back(line(s, "accepted", {}));
    }

private:
    static std::string line(const LinkInfo& s, const char* what,
                            std::span<const std::uint8_t> bytes) {
        std::string text = std::string(s.network ? "net " : "serial ") + what;
        for (const std::uint8_t b : bytes) {
            static const char* digits = "0123456789ABCDEF";
            text += {' ', digits[b >> 4], digits[b & 0x0F]};
        }
        return text;
    }
};

struct TrafficCase {
    const char* name;
    std::vector<std::pair<const LinkInfo*, Bytes>> arrivals;
    Events expected;
};

class Traffic : public testing::TestWithParam<TrafficCase> {};

TEST_P(Traffic, IsSeenInOrderOfArrival) {
    FrameAccumulator accumulator;
    FrameAccumulator::LinkBuffer serial{kSerialLink};
    FrameAccumulator::LinkBuffer network{kUdpLink};
    TrafficRecordingHandler handler;
    const DispatchContext context{0, 1, 4, 4};
    for (const auto& [link, bytes] : GetParam().arrivals)
        accumulator.collect(link->network ? network : serial, bytes, context, handler);
    EXPECT_EQ(handler.events, GetParam().expected);
}

const LinkInfo* const kSerial = &kSerialLink;
const LinkInfo* const kNet = &kUdpLink;

INSTANTIATE_TEST_SUITE_P(
    Cases, Traffic,
    testing::Values(TrafficCase{"NoiseThenAFrameInOneBatch",
                                {{kSerial, join({kSaved, Bytes{0x00}, kSwitched})}},
                                {"serial frame BA 01 11 02 00 CE", "serial accepted",
                                 "text:  Save scene successfully!  ",
                                 "serial dropped 00 BA 01 01 04 A6 03 01 6A"}},
                    TrafficCase{"ForeignAddressIsSeenButNotAccepted",
                                {{kSerial, Bytes{0xBA, 0x05, 0x11, 0x02, 0x00, 0xD2}}},
                                {"serial frame BA 05 11 02 00 D2"}},
                    TrafficCase{
                        "DatagramTailAndWhatFoundNoRoom",
                        {{kNet, Bytes{0xBA, 0x01, 0x11, 0x00, 0x55}},
                         {kNet, join({Bytes{0xBA, 0x01, 0x11, 0xFF}, Bytes(256, 0x01), Bytes{7}})}},
                        {"net frame BA 01 11 00", "net accepted",
                         "text:  Save scene successfully!  ", "net dropped 55",
                         [] {
                             std::string line = "net frame BA 01 11 FF";
                             for (int i = 0; i < 255; ++i)
                                 line += " 01";
                             return line;
                         }(),
                         "net accepted", "text:  Save scene successfully!  ", "net dropped 01 07"}},
                    TrafficCase{"WrongHeaderDatagramIsDroppedWhole",
                                {{kNet, Bytes{0x96, 0x01}}},
                                {"net dropped 96 01"}}),
    [](const testing::TestParamInfo<TrafficCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace controller
