#include "controller/protocol/frame_decoder.h"
#include "controller/protocol/single_line_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace controller {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes fromHex(const std::string& text) {
    std::istringstream in(text);
    Bytes bytes;
    for (std::string word; in >> word;) {
        bytes.push_back(static_cast<std::uint8_t>(std::strtoul(word.c_str(), nullptr, 16)));
    }
    return bytes;
}

constexpr auto kRequest = FrameDirection::Request;
constexpr auto kReply = FrameDirection::Reply;

struct DecoderCase {
    std::string name;
    FrameDirection direction;
    std::string frame;
    std::string words;
};

void PrintTo(const DecoderCase& c, std::ostream* os) {
    *os << c.name;
}

class FrameDecoder : public testing::TestWithParam<DecoderCase> {};

TEST_P(FrameDecoder, GivesOneLineOfWords) {
    EXPECT_EQ(describeFrame(fromHex(GetParam().frame), GetParam().direction), GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, FrameDecoder,
    testing::Values(
        DecoderCase{"Switch", kRequest, "BA 01 01 04 A6 04 02 6C",
                    "switch input 3 → output 5, HDMI Matrix (device 1)"},
        DecoderCase{"ReadSwitch8x8AvVideo", kRequest, "BA 02 02 0A A1 00 01 02 03 04 05 06 07 85",
                    "read switch state of outputs 1–8, Video Matrix (device 2)"},
        DecoderCase{"ReadIdentityEndsInZero", kRequest, "BA FF 14 02 00 00",
                    "read identity (all devices)"},
        DecoderCase{"ReadIdentityWithARealSum", kRequest, "96 FF 14 02 00 AB",
                    "read identity (all devices, header 96)"},
        DecoderCase{"SaveScene1", kRequest, "BA 01 11 03 00 01 D0", "save scene 1 (device 1)"},
        DecoderCase{"LoadScene16", kRequest, "BA 01 15 03 00 10 E3", "load scene 16 (device 1)"},
        DecoderCase{"StartCycling", kRequest, "BA 01 1A 03 00 00 D8", "start cycling (device 1)"},
        DecoderCase{"StopCycling", kRequest, "BA 01 1A 03 00 FF D7", "stop cycling (device 1)"},
        DecoderCase{"BaudCode1", kRequest, "BA 01 18 03 00 01 D7",
                    "change baud rate to 4800 (device 1)"},
        DecoderCase{"NewAddress2", kRequest, "BA FF 16 03 00 02 D4",
                    "change address to 2 (all devices)"},
        DecoderCase{"CycleInterval10", kRequest, "BA 01 1B 03 00 0A E3",
                    "cycle interval 10 (device 1)"},
        DecoderCase{"CycleScenes1And9", kRequest, "BA 01 19 04 00 01 01 DA",
                    "cycle scenes 1, 9 (device 1)"},
        DecoderCase{"CycleScenes1To8", kRequest, "BA 01 19 04 00 00 FF D7",
                    "cycle scenes 1–8 (device 1)"},
        DecoderCase{"CycleNoScene", kRequest, "BA 01 19 04 00 00 00 D8",
                    "cycle no scene (device 1)"},
        DecoderCase{"Brightness128", kRequest, "BA 01 1C 05 00 B1 80 00 00",
                    "output 1 brightness 128 (device 1)"},
        DecoderCase{"OutputReset", kRequest, "96 01 1C 05 00 B4 00 02 00",
                    "output 3 reset brightness, contrast and saturation (device 1, header 96)"},
        DecoderCase{"ReadInputChannel3", kRequest, "BA 01 1D 05 00 11 FF 03 00",
                    "read input 4 properties (device 1)"},
        DecoderCase{"InputEdid18", kRequest, "BA 01 1D 05 00 0C 12 00 00",
                    "input 1 EDID 1920x1200 (device 1)"},
        DecoderCase{"InputCrop", kRequest, "BA 01 1D 05 00 0D 01 07 00",
                    "input 8 crop YES (device 1)"},
        DecoderCase{"InputAspectOutsideTheList", kRequest, "BA 01 1D 05 00 0E 06 01 00",
                    "input 2 aspect ratio 6 (unknown) (device 1)"},
        DecoderCase{"WrongChecksum", kRequest, "BA 01 01 04 A6 04 02 6D",
                    "switch input 3 → output 5, HDMI Matrix (device 1, checksum 0x6D, "
                    "expected 0x6C)"},
        DecoderCase{"VideoPropertyEndingNeitherInZeroNorSum", kRequest,
                    "BA 01 1C 05 00 B1 80 00 12",
                    "output 1 brightness 128 (device 1, checksum 0x12, expected 0x00)"}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Replies, FrameDecoder,
    testing::Values(
        DecoderCase{"Switched", kReply, "BA 01 01 04 A6 04 02 6C",
                    "switched input 3 → output 5, HDMI Matrix (device 1)"},
        DecoderCase{"ReadBack4x4ListsItsPairs", kReply, "BA 01 02 0A A6 00 02 01 02 02 00 03 01 78",
                    "read-back: 4 pairs, HDMI Matrix: input 3 → output 1, input 3 → output 2, "
                    "input 1 → output 3, input 2 → output 4 (device 1)"},
        DecoderCase{"ReadBack16x16ListsEveryPair", kReply,
                    "BA 01 02 22 A6 00 00 01 01 02 02 03 03 04 04 05 05 06 06 07 07 08 08 09 09 "
                    "0A 0A 0B 0B 0C 0C 0D 0D 0E 0E 0F 0F 75",
                    "read-back: 16 pairs, HDMI Matrix: input 1 → output 1, input 2 → output 2, "
                    "input 3 → output 3, input 4 → output 4, input 5 → output 5, input 6 → "
                    "output 6, input 7 → output 7, input 8 → output 8, input 9 → output 9, "
                    "input 10 → output 10, input 11 → output 11, input 12 → output 12, input "
                    "13 → output 13, input 14 → output 14, input 15 → output 15, input 16 → "
                    "output 16 (device 1)"},
        DecoderCase{"OddPairBytes", kReply, "BA 01 01 05 A6 04 02 03 70",
                    "switched: odd number of pair bytes (3), HDMI Matrix (device 1)"},
        DecoderCase{"ReadBackWithoutData", kReply, "BA 01 02 01 BE",
                    "read-back: no data (device 1)"},
        DecoderCase{"Identity", kReply, "BA 01 14 05 00 A6 01 10 10",
                    "identity: HDMI Matrix 16 × 16, address 1 (device 1)"},
        DecoderCase{"IdentityOfUnknownType", kReply, "BA 01 14 05 00 55 01 08 08",
                    "identity: type 0x55 8 × 8, address 1 (device 1)"},
        DecoderCase{"SceneSaved", kReply, "BA 01 11 03 00 01 D0", "scene 1 saved (device 1)"},
        DecoderCase{"SceneLoadedWithoutData", kReply, "BA 01 15 01 D1", "scene loaded (device 1)"},
        DecoderCase{"BroadcastWithHeader96", kReply, "96 FF 11 03 00 01 AA",
                    "scene 1 saved (all devices, header 96)"},
        DecoderCase{"InputProperties", kReply, "BA 01 1E 07 03 00 00 05 01 03 EC",
                    "properties of input 4: EDID 1280x1024, crop YES, aspect ratio 4x3 "
                    "(device 1)"},
        DecoderCase{"Equipment", kReply, "BA 01 A6 03 10 10 84",
                    "equipment: HDMI Matrix 16 × 16 (device 1)"},
        // The shortest replies the window acts on end in data, not in a checksum.
        DecoderCase{"EquipmentEndingInItsSecondSize", kReply, "BA 01 A6 02 10 10",
                    "equipment: HDMI Matrix 16 × 16 (device 1)"},
        DecoderCase{"EquipmentWithAWrongSum", kReply, "BA 01 A0 03 04 08 00",
                    "equipment: VGA Matrix 4 × 8 (device 1, checksum 0x00, expected 0x6A)"},
        DecoderCase{"InputPropertiesEndingInTheAspectRatio", kReply,
                    "BA 01 1E 06 03 00 00 05 01 03",
                    "properties of input 4: EDID 1280x1024, crop YES, aspect ratio 4x3 "
                    "(device 1)"},
        DecoderCase{"ReadBackOfLengthZero", kReply, "BA 01 02 00", "read-back: no data (device 1)"},
        DecoderCase{"SceneSavedOfLengthZero", kReply, "BA FF 11 00", "scene saved (all devices)"},
        DecoderCase{"BytesAfterTheFrame", kReply, "BA 01 11 03 00 01 D0 BA 01",
                    "scene 1 saved (device 1, 2 bytes after the frame)"}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    NotFrames, FrameDecoder,
    testing::Values(
        DecoderCase{"UnknownCommand", kRequest, "BA 01 77 02 00 34", "unknown: BA 01 77 02 00 34"},
        DecoderCase{"RequestCodeFromTheDevice", kReply, "BA 01 18 03 00 01 D7",
                    "unknown: BA 01 18 03 00 01 D7"},
        DecoderCase{"SwitchOfTheWrongLength", kRequest, "BA 01 01 05 A6 04 02 03 70",
                    "unknown: BA 01 01 05 A6 04 02 03 70"},
        DecoderCase{"IdentityReplyOfTheWrongLength", kReply, "BA 01 14 04 00 A6 01 10",
                    "unknown: BA 01 14 04 00 A6 01 10"},
        DecoderCase{"LengthZero", kRequest, "BA 01 01 00", "unknown: BA 01 01 00"},
        DecoderCase{"EquipmentWithOneSize", kReply, "BA 01 A6 01 10", "unknown: BA 01 A6 01 10"},
        DecoderCase{"HybridCodeIsNoEquipmentReply", kReply, "BA 01 A8 03 10 10 86",
                    "unknown: BA 01 A8 03 10 10 86"},
        DecoderCase{"InputPropertiesWithoutTheAspectRatio", kReply, "BA 01 1E 05 03 00 00 05 01",
                    "unknown: BA 01 1E 05 03 00 00 05 01"},
        DecoderCase{"WrongFirstByte", kReply, "13 BA 01 01 04 A6 04 02 6C",
                    "unknown: 13 BA 01 01 04 A6 04 02 6C"},
        DecoderCase{"ShorterThanItsLength", kReply, "BA 01 02 0A A6 00",
                    "incomplete, 6 of 14 bytes: BA 01 02 0A A6 00"},
        DecoderCase{"NoLengthByte", kReply, "BA 01", "incomplete, 2 bytes: BA 01"},
        DecoderCase{"NoBytes", kRequest, "", "no bytes"}),
    [](const auto& info) { return info.param.name; });

TEST(FrameDecoderNames, AreQuotedBesideTheNumberAndMadeSafeForOneLine) {
    const PortNamer names = [](PortKind kind, int number) -> std::string {
        if (kind == PortKind::Input && number == 3) {
            return "Camera 2";
        }
        if (kind == PortKind::Output && number == 1) {
            return "Beamer\r\nlinks \xFF";
        }
        return "";
    };
    EXPECT_EQ(describeFrame(fromHex("BA 01 01 04 A6 00 02 68"), kReply, names),
              "switched input 3 \"Camera 2\" → output 1 \"Beamer  links \uFFFD\", HDMI Matrix "
              "(device 1)");
    EXPECT_EQ(describeFrame(fromHex("BA 01 1D 05 00 11 FF 02 00"), kRequest, names),
              "read input 3 \"Camera 2\" properties (device 1)");
}

TEST(SingleLineText, KeepsWellFormedTextAndReplacesEverythingElse) {
    EXPECT_EQ(singleLineText("Kamera 2 – 左"), "Kamera 2 – 左");
    EXPECT_EQ(singleLineText("a\tb\x7F"
                             "c\xC2\x85"
                             "d\xE2\x80\xA8"
                             "e"),
              "a b c d e");
    // Overlong slash, a surrogate, a value past U+10FFFF, a cut sequence at the end.
    EXPECT_EQ(singleLineText("\xC0\xAF|\xED\xA0\x80|\xF4\x90\x80\x80|\xE4\xB8"),
              "\uFFFD\uFFFD|\uFFFD\uFFFD\uFFFD|\uFFFD\uFFFD\uFFFD\uFFFD|\uFFFD\uFFFD");
}

TEST(HexBytes, AreUpperCasePairsSeparatedByBlanks) {
    EXPECT_EQ(hexBytes(Bytes{}), "");
    EXPECT_EQ(hexBytes(Bytes{0xBA, 0x01, 0x0F, 0x00, 0xFF}), "BA 01 0F 00 FF");
}

} // namespace
} // namespace controller
