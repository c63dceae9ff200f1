#include "terminal_setup/protocol/write_check.h"

#include "tests/terminal_protocol/sample_report.h"

#include <gtest/gtest.h>

namespace {

using namespace terminal_setup;
using terminal_test::kSampleReport;
using terminal_test::patched;
using terminal_test::recordOf;

const TerminalRecord kBefore = recordOf(kSampleReport);

// A write of the sample with IP 192.0.2.77 and baud index 8 (19200).
TerminalDatagram writeOfIpAndBaud() {
    TerminalEdits edits = editsFromRecord(kBefore);
    edits.ipAddress = {192, 0, 2, 77};
    edits.baudIndex = 8;
    return configurationWrite(kBefore, edits);
}

TEST(WriteCheck, TellsWhichWrittenValuesTheReportShowsAndWhichNot) {
    const TerminalDatagram sent = writeOfIpAndBaud();
    const TerminalRecord ipTaken = recordOf(patched(kSampleReport, 10, {192, 0, 2, 77}));
    ASSERT_TRUE(isWrittenTerminal(sent, kBefore, ipTaken));
    const WriteCheck check = checkWrite(sent, kBefore, &ipTaken);
    EXPECT_EQ(check.shown, (std::vector<CheckedValue>{{"IP", "192.0.2.77", "192.0.2.77"}}));
    EXPECT_EQ(check.notShown, (std::vector<CheckedValue>{{"Baud", "19200", "9600"}}));
    EXPECT_EQ(describeWriteCheck(check),
              "The terminal 001A－2B3C－4D5E answered. It shows: IP 192.0.2.77. It does not show: "
              "Baud 19200 (it reports 9600).");

    const TerminalRecord other = recordOf(patched(kSampleReport, 9, {0x5F}));
    EXPECT_FALSE(isWrittenTerminal(sent, kBefore, other));
    EXPECT_EQ(describeWriteCheck(checkWrite(sent, kBefore, nullptr)),
              "The terminal 001A－2B3C－4D5E did not answer the scan after the write.");
    EXPECT_EQ(describeWriteCheck(checkWrite(configurationWrite(kBefore, editsFromRecord(kBefore)),
                                            kBefore, &kBefore)),
              "The terminal 001A－2B3C－4D5E answered. It shows every value written; none "
              "differed from before.");
}

TEST(WriteCheck, AResetIsFoundByItsNewIdOrStillByItsOldOne) {
    const TerminalDatagram sent = resetDatagram(kBefore, 42);
    const TerminalRecord taken = recordOf(patched(kSampleReport, 9, {42}));
    const TerminalRecord renumbered = recordOf(patched(patched(kSampleReport, 9, {42}), 36, {42}));
    const TerminalRecord stranger = recordOf(patched(kSampleReport, 8, {0x4E}));
    EXPECT_TRUE(isWrittenTerminal(sent, kBefore, renumbered));
    EXPECT_TRUE(isWrittenTerminal(sent, kBefore, kBefore));
    EXPECT_FALSE(isWrittenTerminal(sent, kBefore, stranger));
    EXPECT_EQ(describeWriteCheck(checkWrite(sent, kBefore, &renumbered)),
              "The terminal 001A－2B3C－4D2A answered. It shows: ID 42.");
    EXPECT_EQ(describeWriteCheck(checkWrite(sent, kBefore, &kBefore)),
              "The terminal 001A－2B3C－4D5E answered. It does not show: ID 42 (it reports 5).");
    EXPECT_EQ(checkWrite(sent, kBefore, &taken).notShown.size(), 1u); // new MAC, old ID byte
}

} // namespace
