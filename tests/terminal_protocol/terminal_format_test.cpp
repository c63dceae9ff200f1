#include "terminal_setup/protocol/terminal_format.h"

#include "terminal_setup/protocol/gbk_text.h"
#include "tests/terminal_protocol/sample_report.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using namespace terminal_setup;
using terminal_test::kSampleReport;
using terminal_test::patched;
using terminal_test::recordOf;

TEST(FormatName, ShowsSixBytesWithoutZeroAndStopsAtTheFirstZero) {
    EXPECT_EQ(formatName(recordOf(kSampleReport)), "ABCDEF");
    EXPECT_EQ(formatName(recordOf(patched(kSampleReport, 37, {0xC4, 0xE3, 0xBA, 0xC3, 0}))),
              "你好");
    EXPECT_EQ(formatName(recordOf(patched(kSampleReport, 37, {'A', 'B', 0, 'X', 'Y', 'Z'}))), "AB");
    EXPECT_EQ(formatName(recordOf(patched(kSampleReport, 37, {'%', 's', '%', 'd', 0}))), "%s%d");
}

TEST(FormatModel, ShowsAtMostThreeBytes) {
    EXPECT_EQ(formatModel(recordOf(kSampleReport)), "T10");
    EXPECT_EQ(formatModel(recordOf(patched(kSampleReport, 43, {'Q', 0, 'Z'}))), "Q");
}

struct DecodeCase {
    const char* what;
    std::string bytes;
    std::string shown; // UTF-8
};

// Shown by its description in test names and failure messages.
void PrintTo(const DecodeCase& c, std::ostream* os) {
    *os << c.what;
}

class DecodeGbk : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeGbk, ShowsGbkCharactersAndEveryOtherByteOnItsOwn) {
    ASSERT_TRUE(gbkAvailable()) << "Qt has no GBK converter here";
    EXPECT_EQ(decodeGbk(GetParam().bytes), GetParam().shown) << GetParam().what;
}

// U+FFFD in UTF-8.
#define REPLACED "\xEF\xBF\xBD"

INSTANTIATE_TEST_SUITE_P(
    Bytes, DecodeGbk,
    testing::Values(DecodeCase{"ASCII", "Hall 1", "Hall 1"},
                    DecodeCase{"Chinese", "\xC4\xE3\xBA\xC3", "你好"},
                    DecodeCase{"ASCII then Chinese", "Hall\xD6\xD0", "Hall中"},
                    DecodeCase{"trail byte below 0x80", "\x81\x40", "丂"},
                    DecodeCase{"euro sign of code page 936", "\x80", "€"},
                    DecodeCase{"lead byte at the end", "A\xC4", "A" REPLACED},
                    DecodeCase{"lead byte before a digit",
                               "\xC4"
                               "0",
                               REPLACED "0"},
                    DecodeCase{"lead byte before 0x7F", "\xC4\x7F", REPLACED "\x7F"},
                    DecodeCase{"byte 0xFF", "\xFF\xFF", REPLACED REPLACED},
                    DecodeCase{"UTF-8 bytes are read as GBK", "\xE4\xBD\xA0\xE5\xA5\xBD", "浣犲ソ"},
                    DecodeCase{"nothing", "", ""}),
    [](const testing::TestParamInfo<DecodeCase>& info) {
        return terminal_test::caseName(info.param.what);
    });

struct EncodeCase {
    const char* typed; // UTF-8
    std::optional<std::string> sent;
};

void PrintTo(const EncodeCase& c, std::ostream* os) {
    *os << '"' << c.typed << '"';
}

class EncodeGbk : public testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeGbk, KeepsAtMostSixBytesNeverHalfACharacterAndRefusesWhatGbkCannotHold) {
    ASSERT_TRUE(gbkAvailable()) << "Qt has no GBK converter here";
    EXPECT_EQ(encodeGbk(GetParam().typed, 6), GetParam().sent);
}

INSTANTIATE_TEST_SUITE_P(
    Names, EncodeGbk,
    testing::Values(EncodeCase{"xy", "xy"}, EncodeCase{"stuvwxyz", "stuvwx"},
                    EncodeCase{"你好", "\xC4\xE3\xBA\xC3"},
                    EncodeCase{"你好世界", "\xC4\xE3\xBA\xC3\xCA\xC0"},
                    EncodeCase{"a你好世", "a\xC4\xE3\xBA\xC3"}, EncodeCase{"€é", "\x80\xA8\xA6"},
                    EncodeCase{"", ""}, EncodeCase{"Ä", std::nullopt},
                    EncodeCase{"ÄãºÃ1", std::nullopt}, EncodeCase{"A" REPLACED, std::nullopt},
                    EncodeCase{"abcdef😀", std::nullopt}, EncodeCase{"\xC3", std::nullopt}));

TEST(FormatNumbers, IdIsTheUnsignedByteInDecimal) {
    EXPECT_EQ(formatId(0), "0");
    EXPECT_EQ(formatId(5), "5");
    EXPECT_EQ(formatId(255), "255");
}

TEST(FormatNumbers, VersionIsHighNibbleDotLowNibble) {
    EXPECT_EQ(formatVersion(0x21), "2.1");
    EXPECT_EQ(formatVersion(0x0A), "0.10");
    EXPECT_EQ(formatVersion(0x1A), "1.10");
    EXPECT_EQ(formatVersion(0x00), "0.0");
    EXPECT_EQ(formatVersion(0xFF), "15.15");
}

TEST(FormatNumbers, PortIsTheUnsignedSixteenBitValue) {
    EXPECT_EQ(formatPort(recordOf(kSampleReport).localPort()), "8866");
    EXPECT_EQ(formatPort(0), "0");
    EXPECT_EQ(formatPort(65535), "65535");
}

TEST(FormatAddresses, Ipv4IsDottedDecimalFirstByteFirst) {
    EXPECT_EQ(formatIpv4({192, 0, 2, 20}), "192.0.2.20");
    EXPECT_EQ(formatIpv4({0, 0, 0, 0}), "0.0.0.0");
    EXPECT_EQ(formatIpv4({255, 255, 255, 255}), "255.255.255.255");
}

TEST(FormatAddresses, MacIsThreeUpperCaseGroupsJoinedByFullWidthHyphens) {
    EXPECT_EQ(formatMac({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}), "001A\xEF\xBC\x8D"
                                                               "2B3C\xEF\xBC\x8D"
                                                               "4D5E");
    EXPECT_EQ(formatMac({0xab, 0xcd, 0xef, 0x01, 0x02, 0xff}), "ABCD\xEF\xBC\x8D"
                                                               "EF01\xEF\xBC\x8D"
                                                               "02FF");
}

} // namespace
