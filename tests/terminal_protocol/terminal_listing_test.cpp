#include "terminal_setup/protocol/terminal_listing.h"

#include "tests/terminal_protocol/sample_report.h"

#include <gtest/gtest.h>

namespace {

using namespace terminal_setup;
using terminal_test::kSampleReport;
using terminal_test::patched;
using terminal_test::recordOf;

NetworkInterface card(const char* name, int index, std::vector<Ipv4Entry> networks) {
    NetworkInterface c;
    c.name = name;
    c.index = index;
    c.ipv4 = std::move(networks);
    return c;
}

const NetworkInterface kLan = card("eth0", 2, {{"192.0.2.1", 24, ""}});
const NetworkInterface kLoopback = card("lo", 1, {{"127.0.0.1", 8, ""}, {"198.51.100.9", 30, ""}});

// The sample (IP 192.0.2.20, ID 5, MAC ...4D5E) with another IP, ID and last MAC byte.
ListedTerminal terminal(std::uint8_t ipLast, std::uint8_t id, std::uint8_t macLast,
                        const std::optional<NetworkInterface>& on = kLan) {
    auto bytes = patched(kSampleReport, 13, {ipLast});
    bytes = patched(bytes, 36, {id});
    return {recordOf(patched(bytes, 9, {macLast})), on};
}

TEST(TerminalMarks, RowsSharingAnIpIdOrMacAreMarkedAndTheSameReportTwiceIsNot) {
    const std::vector<ListedTerminal> rows = {
        terminal(20, 5, 0x5E), terminal(20, 6, 0x5F),
        terminal(30, 5, 0x5E), terminal(20, 5, 0x5E), // row 1 heard again
        terminal(40, 7, 0x60),
    };
    const auto marks = markTerminals(rows);
    EXPECT_EQ(marks[0].clashes,
              (std::vector<TerminalClash>{{1, true, false, false}, {2, false, true, true}}));
    EXPECT_EQ(marks[3].clashes, marks[0].clashes);
    EXPECT_EQ(marks[1].clashes.size(), 2u); // IP with rows 1 and 4
    EXPECT_FALSE(marks[4].any());
    EXPECT_EQ(describeMarks(rows, 0, marks[0]),
              (std::vector<std::string>{"Same IP as row 2 (ID 6, 001A－2B3C－4D5F).",
                                        "Same ID and MAC as row 3 (ID 5, 001A－2B3C－4D5E)."}));
    EXPECT_EQ(clashingMacs(rows, marks[1]), (std::vector<std::string>{"001A－2B3C－4D5E"}));

    // A crowd on one IP names the first few others only.
    std::vector<ListedTerminal> crowd;
    for (std::uint8_t i = 1; i <= 6; ++i)
        crowd.push_back(terminal(20, i, i));
    const auto crowded = describeMarks(crowd, 0, markTerminals(crowd)[0]);
    ASSERT_EQ(crowded.size(), 4u);
    EXPECT_EQ(crowded[3], "And 2 more rows with the same IP, ID or MAC.");
}

TEST(TerminalMarks, AnIpOutsideEveryNetworkOfItsCardIsUnreachable) {
    const std::vector<ListedTerminal> rows = {terminal(20, 1, 1), terminal(20, 2, 2, kLoopback),
                                              terminal(20, 3, 3, std::nullopt)};
    const auto marks = markTerminals(rows);
    EXPECT_FALSE(marks[0].unreachable);
    EXPECT_TRUE(marks[1].unreachable);
    EXPECT_FALSE(marks[2].unreachable); // card not known
    EXPECT_EQ(describeMarks(rows, 1, {{}, true}),
              (std::vector<std::string>{"Not reachable from this PC: 192.0.2.20 is outside "
                                        "127.0.0.1/8 and 198.51.100.9/30, the networks of lo."}));
    EXPECT_TRUE(inNetworkOf("198.51.100.11", kLoopback));
    EXPECT_FALSE(inNetworkOf("198.51.100.12", kLoopback));
}

TEST(TerminalListing, TheTableGivesEachReportItsCardAndARepeatOnTheSameCardIsDropped) {
    TerminalTable table;
    table.append(recordOf(kSampleReport), kLan.index);
    table.append(recordOf(kSampleReport), kLan.index);
    table.append(recordOf(kSampleReport), kLoopback.index);
    table.append(recordOf(kSampleReport), 0);
    const auto rows = listTerminals(table, {kLoopback, kLan});
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].card->name, "eth0");
    EXPECT_EQ(rows[2].card->name, "lo");
    EXPECT_FALSE(rows[3].card.has_value());
    EXPECT_EQ(distinctTerminals(rows).size(), 3u);
}

} // namespace
