// Configuration plans: read as spreadsheets save them, held against the listed terminals.

#include "terminal_setup/protocol/terminal_export.h"
#include "terminal_setup/session/plan_check.h"
#include "tests/terminal_protocol/sample_report.h"

#include <gtest/gtest.h>

namespace {

using namespace terminal_setup;
using terminal_test::kSampleReport;
using terminal_test::patched;
using terminal_test::recordOf;

// The sample (ID 5, IP 192.0.2.20, MAC ...4D5E), a terminal with ID 6 at 192.0.2.21 (MAC
// ...4E5F), and one whose MAC starts as the sample's (ID 7 at 192.0.2.22, MAC ...4D60).
std::vector<ListedTerminal> listed() {
    const auto other = [](std::uint8_t last, std::uint8_t fifth) {
        return recordOf(patched(patched(patched(kSampleReport, 10, {192, 0, 2, last}), 36,
                                        {static_cast<std::uint8_t>(last - 15)}),
                                8, {fifth, static_cast<std::uint8_t>(last + 74)}));
    };
    return {{recordOf(kSampleReport), std::nullopt},
            {other(21, 0x4E), std::nullopt},
            {other(22, 0x4D), std::nullopt}};
}

std::vector<std::string> faultsOf(const std::string& csv) {
    std::vector<std::string> texts;
    for (const PlanFault& fault : checkPlan(readPlan(csv), listed()).faults)
        texts.push_back(describePlanFault(fault));
    return texts;
}

std::vector<std::string> changesOf(const PlannedTerminal& terminal) {
    std::vector<std::string> texts;
    for (const PlanChange& change : terminal.changes)
        texts.push_back(describePlanChange(change));
    return texts;
}

TEST(TerminalPlan, AnExportedListIsAValidPlanThatChangesNothing) {
    const CheckedPlan plan =
        checkPlan(readPlan(exportTerminals(listed(), ExportFormat::Csv)), listed());
    EXPECT_TRUE(plan.ok());
    ASSERT_EQ(plan.terminals.size(), 3u);
    for (const PlannedTerminal& terminal : plan.terminals) {
        EXPECT_TRUE(terminal.found.has_value());
        EXPECT_TRUE(terminal.changes.empty()) << changesOf(terminal).front();
    }
}

TEST(TerminalPlan, IsReadAsSpreadsheetsSaveItAndBuildsTheWritesFromTheTerminalsReport) {
    // A byte-order mark, semicolons, CRLF, a quoted cell, other spellings of MAC, mode and dhcp;
    // blank cells keep the terminal's value and unknown columns count for nothing.
    const CheckedPlan plan =
        checkPlan(readPlan("\xEF\xBB\xBF MAC ;ip;mode;dhcp;name;model\r\n"
                           "00:1a:2b:3c:4d:5e;192.0.2.31; udp ;Use DHCP;\"La;b\";X\r\n"
                           "001A-2B3C-4E5F;;;;;\r\n"
                           "\r\n"
                           "02-00-00-00-00-01;192.0.2.40;;;;\r\n"),
                  listed());
    ASSERT_TRUE(plan.ok()) << describePlanFault(plan.faults.front());
    ASSERT_EQ(plan.terminals.size(), 3u);
    EXPECT_EQ(changesOf(plan.terminals[0]),
              (std::vector<std::string>{"ip 192.0.2.20 → 192.0.2.31", "mode TCP  Client → UDP ",
                                        "dhcp false → true", "name ABCDEF → La;b"}));
    EXPECT_TRUE(plan.terminals[1].changes.empty());
    EXPECT_EQ(plan.terminals[2].row, 5u);
    EXPECT_FALSE(plan.terminals[2].found);
    EXPECT_EQ(changesOf(plan.terminals[2]), std::vector<std::string>{"ip → 192.0.2.40"});
    EXPECT_EQ(plan.notFound(), 1u);

    const TerminalDatagram write = planWrite(plan.terminals[0], recordOf(kSampleReport));
    TerminalDatagram expected = patched(kSampleReport, 10, {192, 0, 2, 31});
    expected = patched(patched(patched(expected, 3, {2}), 34, {2}), 46, {1});
    expected = patched(expected, 37, {'L', 'a', ';', 'b', 0});
    EXPECT_EQ(write, expected);

    // A file saved in GBK, as spreadsheets on Chinese systems do.
    const CheckedPlan gbk =
        checkPlan(readPlan("mac,name\n001A2B3C4D5E,\xD6\xD0\xCE\xC4\n"), listed());
    ASSERT_EQ(gbk.terminals.size(), 1u);
    EXPECT_EQ(changesOf(gbk.terminals[0]), std::vector<std::string>{"name ABCDEF → 中文"});
    EXPECT_EQ(gbk.terminals[0].values[0].nameBytes, "\xD6\xD0\xCE\xC4");
}

TEST(TerminalPlan, APlanWithFaultsNamesEachRowAndFieldAtFault) {
    EXPECT_EQ(
        faultsOf("mac,ip,mask,port,id,name,mode,baud,dhcp\n"
                 "001A2B3C4D5E,192.0.2.21,255.0.255.0,70000,6,ABCDEFG,TCP,9601,maybe\n"
                 "xyz,,,80a,,\xF0\x9F\x98\x80,,,\n"
                 ",999.1.1.1,,,,,,,\n"
                 "001A2B3C4D5E,,,,256,,,,\n"),
        (std::vector<std::string>{
            "row 2, mask \"255.0.255.0\": not a subnet mask",
            "row 2, port \"70000\": “请填入一个在0和65535之间的整数。”",
            "row 2, name \"ABCDEFG\": longer than the 6 bytes of a device name in GBK",
            "row 2, mode \"TCP\": not a work mode: \"TCP  Server\", \"TCP  Client\", \"UDP \" or "
            "\"UDP Multicast\"",
            "row 2, baud \"9601\": not a baud rate of the list (110 to 115200)",
            "row 2, dhcp \"maybe\": neither true nor false",
            "row 2, ip \"192.0.2.21\": also the IP of the listed terminal 001A－2B3C－4E5F",
            "row 2, id \"6\": also the ID of the listed terminal 001A－2B3C－4E5F",
            "row 2, id \"6\": a reset would also renumber 001A－2B3C－4D60 (the same first five "
            "MAC bytes)",
            "row 3, mac \"xyz\": not a MAC address",
            "row 3, port \"80a\": “请填入一个正整数。”",
            "row 3, name \"😀\": “请填入 GBK 字符集中的字符。”",
            "row 4, mac: blank: the row names no terminal",
            "row 4, ip \"999.1.1.1\": not an IPv4 address",
            "row 5, mac \"001A－2B3C－4D5E\": also in row 2",
            "row 5, id \"256\": “请填入一个在0和255之间的整数。”",
        }));
    EXPECT_EQ(faultsOf("id,ip\n5,192.0.2.20\n"),
              std::vector<std::string>{"The plan has no mac column."});
}

} // namespace
