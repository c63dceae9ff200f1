#include "controller/protocol/reply_dispatch.h"
#include "controller/protocol/reply_texts.h"
#include "tests/controller_protocol/recording_handler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace controller {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Events = std::vector<std::string>;

Events dispatch(const Bytes& frame, DispatchContext context = {},
                const LinkInfo& source = kSerialLink) {
    RecordingHandler handler;
    dispatchFrame(frame, source, context, handler);
    return handler.events;
}

DispatchContext grid(int ports, std::uint8_t address = 1) {
    return {0, address, ports, ports};
}

TEST(CrosspointReplies, WorkedReadBackPlacesEveryOutputOn4x4) {
    const Bytes reply{0xBA, 0x01, 0x02, 0x0A, 0xA6, 0x00, 0x02,
                      0x01, 0x02, 0x02, 0x00, 0x03, 0x01, 0x78};
    EXPECT_EQ(dispatch(reply, grid(4)), (Events{"end read", "pairs 0<2 1<2 2<0 3<1"}));
}

TEST(CrosspointReplies, SwitchReplyAppliesPairsWithoutEndingTheRead) {
    const Bytes reply{0xBA, 0x01, 0x01, 0x04, 0xA6, 0x04, 0x02, 0x6C};
    EXPECT_EQ(dispatch(reply, grid(8)), (Events{"pairs 4<2"}));
}

TEST(CrosspointReplies, OddPairByteCountChangesNothing) {
    // L = 5: three pair bytes.
    EXPECT_EQ(dispatch({0xBA, 0x01, 0x01, 0x05, 0xA6, 0x00, 0x01, 0x02, 0x00}, grid(4)), Events{});
    // A read-back still ends the wait even when its pairs are unusable.
    EXPECT_EQ(dispatch({0xBA, 0x01, 0x02, 0x05, 0xA6, 0x00, 0x01, 0x02, 0x00}, grid(4)),
              (Events{"end read"}));
}

TEST(CrosspointReplies, PairsOutsideTheGridAreSkippedAndTheOthersApplied) {
    // Output 40 does not exist on an 8x8 grid; neither does input 9.
    const Bytes reply{0xBA, 0x01, 0x01, 0x0A, 0xA1, 0x01, 0x03,
                      0x28, 0x00, 0x02, 0x09, 0x07, 0x07, 0x00};
    EXPECT_EQ(dispatch(reply, grid(8)), (Events{"pairs 1<3 7<7"}));
    // Every pair outside: nothing to apply, so the handler is not called at all.
    EXPECT_EQ(dispatch({0xBA, 0x01, 0x01, 0x04, 0xA1, 0x08, 0x00, 0x00}, grid(8)), Events{});
}

TEST(CrosspointReplies, PortBytesAreMaskedTo6Bits) {
    // 0x41 is output 1, 0xC3 input 3.
    EXPECT_EQ(dispatch({0xBA, 0x01, 0x01, 0x04, 0xA6, 0x41, 0xC3, 0x00}, grid(4)),
              (Events{"pairs 1<3"}));
}

TEST(CrosspointReplies, LaterPairForTheSameOutputComesLater) {
    const Bytes reply{0xBA, 0x01, 0x01, 0x06, 0xA6, 0x01, 0x02, 0x01, 0x03, 0x00};
    EXPECT_EQ(dispatch(reply, grid(4)), (Events{"pairs 1<2 1<3"}));
}

TEST(CrosspointReplies, TooShortForPairs) {
    EXPECT_EQ(dispatch({0xBA, 0x01, 0x01, 0x03, 0xA6, 0x01, 0x00}, grid(4)), Events{});
    EXPECT_EQ(dispatch({0xBA, 0x01, 0x02, 0x00}, grid(4)), (Events{"end read"}));
    EXPECT_EQ(dispatch({0xBA, 0x01, 0x02, 0x02, 0xA6, 0x00}, grid(4)), (Events{"end read"}));
}

TEST(AddressCheck, ForeignAddressIsIgnoredAndBroadcastAlwaysAccepted) {
    const Bytes fromDevice2{0xBA, 0x02, 0x11, 0x02, 0x00, 0xCF};
    EXPECT_EQ(dispatch(fromDevice2, grid(4, 1)), Events{});
    EXPECT_EQ(dispatch(fromDevice2, grid(4, 2)), (Events{"text:  Save scene successfully!  "}));
    const Bytes fromEveryDevice{0xBA, 0xFF, 0x11, 0x02, 0x00, 0xCC};
    EXPECT_EQ(dispatch(fromEveryDevice, grid(4, 3)), (Events{"text:  Save scene successfully!  "}));
    EXPECT_EQ(dispatch(fromEveryDevice, grid(4, 0xFF)),
              (Events{"text:  Save scene successfully!  "}));
}

TEST(SceneReplies, ReloadTextDependsOnTheLink) {
    const Bytes reply{0xBA, 0x01, 0x15, 0x02, 0x00, 0xD2};
    EXPECT_EQ(dispatch(reply, grid(4), kSerialLink), (Events{"text:Reload scene successfully!"}));
    EXPECT_EQ(dispatch(reply, grid(4), kUdpLink), (Events{"text:  Reload scene successfully!  "}));
    // A confirmation needs no data at all.
    EXPECT_EQ(dispatch({0xBA, 0x01, 0x15, 0x00}, grid(4), kUdpLink),
              (Events{"text:  Reload scene successfully!  "}));
}

TEST(IdentityReply, ShowsTypeAddressAndSizesLineByLine) {
    const Bytes reply{0xBA, 0x01, 0x14, 0x05, 0x00, 0xA6, 0x01, 0x10, 0x10, 0x00};
    EXPECT_EQ(dispatch(reply, grid(4)),
              (Events{"text:Current equipment:HDMI Matrix\r\nDevice Address: 1\r\n"
                      "Specifications: 16 * 16\r\n"}));
}

TEST(IdentityReply, UnknownTypeLeavesTheNameEmpty) {
    const Bytes reply{0xBA, 0xFF, 0x14, 0x05, 0x00, 0x33, 0xFF, 0x20, 0x08, 0x00};
    EXPECT_EQ(dispatch(reply, grid(4)), (Events{"text:Current equipment:\r\nDevice Address: 255\r\n"
                                                "Specifications: 32 * 8\r\n"}));
}

TEST(IdentityReply, AnyOtherLengthIsIgnored) {
    EXPECT_EQ(dispatch({0xBA, 0x01, 0x14, 0x04, 0x00, 0xA6, 0x01, 0x10}, grid(4)), Events{});
    EXPECT_EQ(dispatch({0xBA, 0x01, 0x14, 0x06, 0x00, 0xA6, 0x01, 0x10, 0x10, 0x00}, grid(4)),
              Events{});
    EXPECT_EQ(dispatch({0xBA, 0x01, 0x14, 0x02, 0x00, 0x00}, grid(4)), Events{});
}

TEST(EquipmentReply, CommandByteNamesTheTypeAndBytes4And5AreTheSizes) {
    EXPECT_EQ(dispatch({0xBA, 0x01, 0xA6, 0x03, 0x10, 0x10, 0x00}, grid(4)),
              (Events{"text:Current equipment:HDMI Matrix\r\nSpecifications: 16 * 16\r\n"}));
    EXPECT_EQ(dispatch({0xBA, 0x01, 0xA0, 0x03, 0x04, 0x08, 0x00}, grid(4)),
              (Events{"text:Current equipment:VGA Matrix\r\nSpecifications: 4 * 8\r\n"}));
    EXPECT_EQ(dispatch({0xBA, 0x01, 0xA7, 0x03, 0x20, 0x20, 0x00}, grid(4)),
              (Events{"text:Current equipment:SDI Matrix\r\nSpecifications: 32 * 32\r\n"}));
    // L = 2: byte 5 is the frame's last byte, where a checksum would stand.
    EXPECT_EQ(dispatch({0xBA, 0x01, 0xA6, 0x02, 0x08, 0x04}, grid(4)),
              (Events{"text:Current equipment:HDMI Matrix\r\nSpecifications: 8 * 4\r\n"}));
}

TEST(EquipmentReply, HybridCodeAndFramesWithoutBothSizesAreIgnored) {
    EXPECT_EQ(dispatch({0xBA, 0x01, 0xA8, 0x03, 0x10, 0x10, 0x00}, grid(4)), Events{});
    EXPECT_EQ(dispatch({0xBA, 0x01, 0xA6, 0x01, 0x10}, grid(4)), Events{});
    EXPECT_EQ(dispatch({0xBA, 0x01, 0xA6, 0x00}, grid(4)), Events{});
}

TEST(InputPropertiesReply, IsForwardedRawEvenWithOutOfRangeValues) {
    EXPECT_EQ(dispatch({0xBA, 0x01, 0x1E, 0x07, 0x03, 0x00, 0x00, 0x05, 0x01, 0x02, 0x00}, grid(4)),
              (Events{"report 3 5 1 2"}));
    EXPECT_EQ(dispatch({0xBA, 0x01, 0x1E, 0x07, 0x00, 0xAA, 0xBB, 0x13, 0x02, 0x06, 0x00}, grid(4)),
              (Events{"report 0 19 2 6"}));
    // L = 6: the aspect ratio is the frame's last byte.
    EXPECT_EQ(dispatch({0xBA, 0x01, 0x1E, 0x06, 0x03, 0x00, 0x00, 0x05, 0x01, 0x02}, grid(4)),
              (Events{"report 3 5 1 2"}));
}

TEST(InputPropertiesReply, MissingReportBytesMeanNoReport) {
    EXPECT_EQ(dispatch({0xBA, 0x01, 0x1E, 0x05, 0x03, 0x00, 0x00, 0x05, 0x01}, grid(4)), Events{});
    EXPECT_EQ(dispatch({0xBA, 0x01, 0x1E, 0x00}, grid(4)), Events{});
}

TEST(OtherReplies, EchoedInputPropertyAndUnknownCodesAreIgnored) {
    EXPECT_EQ(dispatch({0xBA, 0x01, 0x1D, 0x05, 0x00, 0x11, 0xFF, 0x03, 0x00}, grid(4)), Events{});
    for (const std::uint8_t code : {0x00, 0x03, 0x10, 0x16, 0x18, 0x1A, 0x1C, 0x9F, 0xFF}) {
        EXPECT_EQ(dispatch({0xBA, 0x01, code, 0x03, 0x10, 0x10, 0x00}, grid(4)), Events{})
            << int(code);
    }
}

TEST(OtherReplies, FramesShorterThanTheirLengthByteAreNeverRead) {
    // Only a caller bypassing the accumulator could hand these over; they must be harmless.
    EXPECT_EQ(dispatch({0xBA, 0x01, 0x14, 0x05, 0x00}, grid(4)), Events{});
    EXPECT_EQ(dispatch({0xBA, 0x01, 0x02}, grid(4)), Events{});
    EXPECT_EQ(dispatch({}, grid(4)), Events{});
}

} // namespace
} // namespace controller
