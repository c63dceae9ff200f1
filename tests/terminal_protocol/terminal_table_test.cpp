#include "terminal_setup/protocol/terminal_table.h"
#include "terminal_setup/session/scan_window.h"
#include "tests/terminal_protocol/sample_report.h"

#include <gtest/gtest.h>

namespace {

using namespace terminal_setup;
using terminal_test::kSampleReport;
using terminal_test::patched;
using terminal_test::recordOf;

TerminalRecord recordWithId(std::uint8_t id) {
    return recordOf(patched(kSampleReport, 36, {id}));
}

TEST(TerminalTable, KeepsTwoHundredFiftySixRecordsInOrderAndDropsTheNext) {
    TerminalTable table;
    for (int i = 0; i < 256; ++i)
        ASSERT_TRUE(table.append(recordWithId(static_cast<std::uint8_t>(i)))) << i;
    EXPECT_TRUE(table.full());
    EXPECT_FALSE(table.append(recordWithId(7)));
    ASSERT_EQ(table.size(), 256u);
    for (std::size_t i = 0; i < table.size(); ++i)
        EXPECT_EQ(table.at(i).id(), i);
}

TEST(TerminalTable, ClearMakesRoomAgain) {
    TerminalTable table;
    for (int i = 0; i < 256; ++i)
        table.append(recordWithId(1));
    table.clear();
    EXPECT_TRUE(table.empty());
    EXPECT_TRUE(table.append(recordWithId(9)));
    EXPECT_EQ(table.at(0).id(), 9);
}

TEST(ScanWindow, ClosesAtTheFifthTickAfterOpening) {
    ScanWindow window;
    EXPECT_FALSE(window.isOpen());
    window.open();
    for (int tick = 1; tick <= 4; ++tick) {
        EXPECT_FALSE(window.tick()) << "tick " << tick;
        EXPECT_TRUE(window.isOpen()) << "tick " << tick;
    }
    EXPECT_TRUE(window.tick());
    EXPECT_FALSE(window.isOpen());
    EXPECT_FALSE(window.tick()) << "a closed window does not close again";
}

TEST(ScanWindow, ReopeningStartsTheCountAgain) {
    ScanWindow window;
    window.open();
    window.tick();
    window.tick();
    window.open();
    EXPECT_EQ(window.counter(), 1);
    int ticks = 0;
    while (!window.tick())
        ++ticks;
    EXPECT_EQ(ticks, 4);
}

} // namespace
