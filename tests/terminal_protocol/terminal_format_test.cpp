#include "terminal_setup/protocol/terminal_format.h"
#include "tests/terminal_protocol/sample_report.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace terminal_setup;
using terminal_test::kSampleReport;
using terminal_test::patched;
using terminal_test::recordOf;

TEST(FormatName, ShowsSixBytesWithoutZeroAndStopsAtTheFirstZero) {
    EXPECT_EQ(formatName(recordOf(kSampleReport)), "ABCDEF");
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

class DecodeText : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeText, KeepsValidUtf8AndShowsEveryOtherByteAsOneLatin1Character) {
    EXPECT_EQ(decodeText(GetParam().bytes), GetParam().shown) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, DecodeText,
    testing::Values(
        DecodeCase{"ASCII", "Hall 1", "Hall 1"},
        DecodeCase{"UTF-8 Chinese", "\xE4\xB8\xAD\xE6\x96\x87", "\xE4\xB8\xAD\xE6\x96\x87"},
        DecodeCase{"GBK Chinese, four bytes", "\xD6\xD0\xCE\xC4",
                   "\xC3\x96\xC3\x90\xC3\x8E\xC3\x84"},
        DecodeCase{"UTF-8 cut inside a character", "a\xE4\xB8\xAD\xE6\x96",
                   "a\xE4\xB8\xAD\xC3\xA6\xC2\x96"},
        DecodeCase{"overlong zero", "\xC0\x80", "\xC3\x80\xC2\x80"},
        DecodeCase{"surrogate", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},
        DecodeCase{"beyond U+10FFFF", "\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80"},
        DecodeCase{"four-byte UTF-8", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        DecodeCase{"lone continuation then ASCII", "\x80Z", "\xC2\x80Z"},
        DecodeCase{"byte 0xFF", "\xFF", "\xC3\xBF"}, DecodeCase{"nothing", "", ""}),
    [](const testing::TestParamInfo<DecodeCase>& info) {
        return terminal_test::caseName(info.param.what);
    });

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
