#include "terminal_setup/ui/setup_datagrams.h"

#include "tests/terminal_ui/setup_test_record.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using namespace terminal_setup;
using setup_test::kReport;
using setup_test::patched;
using setup_test::recordOf;

struct PrefixCase {
    const char* text;
    std::int32_t expected;
};

class DecimalPrefix : public testing::TestWithParam<PrefixCase> {};

TEST_P(DecimalPrefix, ReadsBlanksOneSignAndDigitsUpToTheFirstNonDigit) {
    EXPECT_EQ(decimalPrefixValue(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DecimalPrefix,
    testing::Values(PrefixCase{"8000", 8000}, PrefixCase{"  \t42", 42}, PrefixCase{"-5", -5},
                    PrefixCase{"+7", 7}, PrefixCase{"12ab", 12}, PrefixCase{"80 00", 80},
                    PrefixCase{"abc", 0}, PrefixCase{"", 0}, PrefixCase{"- 5", 0},
                    PrefixCase{"--5", 0}, PrefixCase{"70000", 70000},
                    // beyond 32 bits the low bits are those of the number
                    PrefixCase{"4294967297", 1}, PrefixCase{"99999999999999999999", 1661992959}));

TEST(ResetIdFromCounter, TakesTheLowEightBitsOfTheRaisedCounter) {
    EXPECT_EQ(resetIdFromCounter(255), 255);
    EXPECT_EQ(resetIdFromCounter(256), 0);
    EXPECT_EQ(resetIdFromCounter(257), 1);
}

TEST(NameBytesToSend, AnUneditedNameGoesBackAsTheRecordsOwnBytesAnEditedOneInGbk) {
    // "你" and a byte that is no GBK character, shown as U+FFFD.
    const TerminalRecord record = recordOf(patched(kReport, 37, {0xC4, 0xE3, 0xFF, 0, 0, 0}));
    const std::string shown = "你\xEF\xBF\xBD";

    EXPECT_EQ(nameBytesToSend(shown, shown, record), "\xC4\xE3\xFF");
    EXPECT_EQ(nameBytesToSend("你好", shown, record), "\xC4\xE3\xBA\xC3");
    EXPECT_EQ(nameBytesToSend("", shown, record), "");
    EXPECT_EQ(nameBytesToSend(shown + "1", shown, record), std::nullopt);
    EXPECT_FALSE(editsFromPages(record, shown, {shown + "1", 0, 0, {}}, {}, {}, {}).has_value());
}

TEST(EditsFromPages, AComboWithoutSelectionKeepsTheRecordsByte) {
    const TerminalRecord record = recordOf(patched(kReport, 34, {0x07, 0x0D}));
    NetSetValues net;
    net.workMode = kNoSelection;
    ComSetValues com;
    com.baudIndex = kNoSelection;

    TerminalEdits edits = *editsFromPages(record, "AB", {}, net, com, {});
    EXPECT_EQ(edits.workMode, 7);
    EXPECT_EQ(edits.baudIndex, 13);

    net.workMode = 3;
    com.baudIndex = 0;
    edits = *editsFromPages(record, "AB", {}, net, com, {});
    EXPECT_EQ(edits.workMode, 3);
    EXPECT_EQ(edits.baudIndex, 0);
}

TEST(EditsFromPages, TheDisconnectTimeAndTheMulticastTextEnterNothing) {
    const TerminalRecord record = recordOf(kReport);
    BasicSetValues basic{"AB", 0x1A, 0x21, {"8.8.4.4", {8, 8, 4, 4}}};
    NetSetValues net;
    net.workMode = 1;
    net.dhcpFlag = 0;
    net.ipAddress = {"192.0.2.20", {192, 0, 2, 20}};
    net.subnetMask = {"255.255.255.0", {255, 255, 255, 0}};
    net.port = 8866;
    ComSetValues com{6};
    OtherSetValues other{
        "224.0.0.41", {"192.0.2.1", {192, 0, 2, 1}}, {"192.0.2.100", {192, 0, 2, 100}}, "8867"};

    net.disconnectTime = 3;
    const TerminalDatagram withNever =
        configurationWrite(record, *editsFromPages(record, "AB", basic, net, com, other));
    net.disconnectTime = 0;
    other.multicastText = "239.9.9.9";
    const TerminalDatagram withFiveMinutes =
        configurationWrite(record, *editsFromPages(record, "AB", basic, net, com, other));

    EXPECT_EQ(withNever, withFiveMinutes);
    EXPECT_EQ(withNever, patched(kReport, 3, {0x02}));
}

} // namespace
