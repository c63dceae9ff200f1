#include "terminal_setup/protocol/terminal_datagram.h"
#include "tests/terminal_protocol/sample_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace terminal_setup;
using terminal_test::kSampleReport;
using terminal_test::patched;
using terminal_test::recordOf;

TEST(ScanRequest, IsMagicThenOneOneThenFiftySixZeroBytes) {
    const TerminalDatagram expected = {0xEF, 0xFE, 0x01, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                       0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                       0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                       0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(scanRequest(), expected);
}

struct AcceptCase {
    const char* what;
    std::vector<std::uint8_t> received;
    bool accepted;
};

std::vector<std::uint8_t> sampleOfLength(std::size_t length, std::uint8_t fill = 0x99) {
    std::vector<std::uint8_t> bytes(kSampleReport.begin(), kSampleReport.end());
    bytes.resize(length, fill);
    return bytes;
}

std::vector<std::uint8_t> sampleWithType(std::uint8_t type) {
    auto bytes = sampleOfLength(60);
    bytes[3] = type;
    return bytes;
}

// Shown by its description in test names and failure messages.
void PrintTo(const AcceptCase& c, std::ostream* os) {
    *os << c.what;
}

class AcceptReport : public testing::TestWithParam<AcceptCase> {};

TEST_P(AcceptReport, TakesOnlyReportsOfAtLeastSixtyBytesWithMagicAndTypeSixteen) {
    const AcceptCase& c = GetParam();
    const auto record = acceptReport(c.received);
    ASSERT_EQ(record.has_value(), c.accepted) << c.what;
    if (record) {
        EXPECT_EQ(record->bytes(), kSampleReport) << c.what << ": the first 60 bytes, as received";
    }
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, AcceptReport,
    testing::Values(AcceptCase{"the sample report", sampleOfLength(60), true},
                    AcceptCase{"59 bytes", sampleOfLength(59), false},
                    AcceptCase{"61 bytes, the 61st ignored", sampleOfLength(61), true},
                    AcceptCase{"200 bytes", sampleOfLength(200), true},
                    AcceptCase{"nothing at all", {}, false},
                    AcceptCase{"magic swapped",
                               [] {
                                   auto b = sampleOfLength(60);
                                   b[0] = 0xFE;
                                   b[1] = 0xEF;
                                   return b;
                               }(),
                               false},
                    AcceptCase{"scan request", sampleWithType(1), false},
                    AcceptCase{"configuration write", sampleWithType(2), false},
                    AcceptCase{"reset", sampleWithType(3), false},
                    AcceptCase{"type 17", sampleWithType(17), false},
                    AcceptCase{"type 0", sampleWithType(0), false}),
    [](const testing::TestParamInfo<AcceptCase>& info) {
        return terminal_test::caseName(info.param.what);
    });

TEST(AcceptReport, DropsTheToolsOwnScanRequest) {
    EXPECT_FALSE(acceptReport(scanRequest()).has_value());
}

TEST(TerminalRecord, ReadsEveryFieldFromItsOffset) {
    const TerminalRecord record = recordOf(kSampleReport);
    EXPECT_EQ(record.header(), 7);
    EXPECT_EQ(record.mac(), (MacBytes{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
    EXPECT_EQ(record.ipAddress(), (Ipv4Bytes{192, 0, 2, 20}));
    EXPECT_EQ(record.multicastAddress(), (Ipv4Bytes{224, 0, 0, 41}));
    EXPECT_EQ(record.hostIp(), (Ipv4Bytes{192, 0, 2, 100}));
    EXPECT_EQ(record.gateway(), (Ipv4Bytes{192, 0, 2, 1}));
    EXPECT_EQ(record.subnetMask(), (Ipv4Bytes{255, 255, 255, 0}));
    EXPECT_EQ(record.localPort(), 8866) << "bytes A2 22, low byte first";
    EXPECT_EQ(record.hostPort(), 8867);
    EXPECT_EQ(record.workMode(), 1);
    EXPECT_EQ(record.baudIndex(), 6);
    EXPECT_EQ(record.id(), 5);
    EXPECT_EQ(record.name(), "ABCDEF");
    EXPECT_EQ(record.model(), "T10");
    EXPECT_EQ(record.addressMode(), 0);
    EXPECT_FALSE(record.usesDhcp());
    EXPECT_EQ(record.softwareVersion(), 0x21);
    EXPECT_EQ(record.hardwareVersion(), 0x0A);
    EXPECT_EQ(record.dnsServer(), (Ipv4Bytes{8, 8, 4, 4}));
}

TEST(TerminalRecord, TextFieldsEndAtTheFirstZeroByteAndNeverRunIntoTheNextField) {
    const TerminalRecord shortName =
        recordOf(patched(kSampleReport, 37, {'A', 'B', 0, 'X', 'Y', 'Z', 'M', 0, 'Q'}));
    EXPECT_EQ(shortName.name(), "AB");
    EXPECT_EQ(shortName.model(), "M");
    const TerminalRecord emptyName = recordOf(patched(kSampleReport, 37, {0}));
    EXPECT_EQ(emptyName.name(), "");
    // Full model field followed by a nonzero address-mode byte.
    const TerminalRecord fullModel = recordOf(patched(kSampleReport, 43, {'X', 'Y', 'Z', 0x80}));
    EXPECT_EQ(fullModel.model(), "XYZ");
    EXPECT_TRUE(fullModel.usesDhcp()) << "any nonzero address mode means DHCP";
}

TEST(ConfigurationWrite, NothingEditedSendsTheRecordWithTypeTwo) {
    const TerminalRecord record = recordOf(kSampleReport);
    const TerminalDatagram expected = {
        0xEF, 0xFE, 0x07, 0x02, 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0xC0, 0x00, 0x02, 0x14, 0xE0,
        0x00, 0x00, 0x29, 0xC0, 0x00, 0x02, 0x64, 0xC0, 0x00, 0x02, 0x01, 0xFF, 0xFF, 0xFF, 0x00,
        0xA2, 0x22, 0xA3, 0x22, 0x01, 0x06, 0x05, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x54, 0x31,
        0x30, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x21, 0x0A, 0x08, 0x08, 0x04, 0x04};
    EXPECT_EQ(configurationWrite(record, editsFromRecord(record)), expected);
}

TEST(ConfigurationWrite, EveryEditedFieldLandsAtItsOffsetAndTheRestIsKept) {
    const TerminalRecord record = recordOf(kSampleReport);
    TerminalEdits edits;
    edits.ipAddress = {198, 51, 100, 7};
    edits.subnetMask = {255, 255, 0, 0};
    edits.localPort = 8000;
    edits.workMode = 3;
    edits.dhcp = true;
    edits.baudIndex = 12;
    edits.hostIp = {198, 51, 100, 8};
    edits.gateway = {198, 51, 100, 254};
    edits.hostPort = 502;
    edits.name = "Hall";
    edits.dnsServer = {9, 9, 9, 9};
    const TerminalDatagram expected = {
        0xEF, 0xFE, 0x07, 0x02, 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0xC6, 0x33, 0x64, 0x07, 0xE0,
        0x00, 0x00, 0x29, 0xC6, 0x33, 0x64, 0x08, 0xC6, 0x33, 0x64, 0xFE, 0xFF, 0xFF, 0x00, 0x00,
        0x40, 0x1F, 0xF6, 0x01, 0x03, 0x0C, 0x05, 0x48, 0x61, 0x6C, 0x6C, 0x00, 0x46, 0x54, 0x31,
        0x30, 0x01, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x21, 0x0A, 0x09, 0x09, 0x09, 0x09};
    EXPECT_EQ(configurationWrite(record, edits), expected);
}

struct NameCase {
    const char* what;
    std::string name;
    std::vector<std::uint8_t> bytes37to43; // name field and the first model byte
};

// Shown by its description in test names and failure messages.
void PrintTo(const NameCase& c, std::ostream* os) {
    *os << c.what;
}

class ConfigurationWriteName : public testing::TestWithParam<NameCase> {};

TEST_P(ConfigurationWriteName, IsLiteralAtMostSixBytesAndKeepsTheRestOfTheField) {
    const NameCase& c = GetParam();
    const TerminalRecord record = recordOf(kSampleReport); // name bytes A B C D E F
    TerminalEdits edits = editsFromRecord(record);
    edits.name = c.name;
    const TerminalDatagram out = configurationWrite(record, edits);
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin() + 37, out.begin() + 44), c.bytes37to43)
        << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, ConfigurationWriteName,
    testing::Values(NameCase{"two letters", "xy", {'x', 'y', 0, 'D', 'E', 'F', 'T'}},
                    NameCase{"eight letters", "abcdefgh", {'a', 'b', 'c', 'd', 'e', 'f', 'T'}},
                    NameCase{"exactly six", "uvwxyz", {'u', 'v', 'w', 'x', 'y', 'z', 'T'}},
                    NameCase{"percent signs", "%d%s", {'%', 'd', '%', 's', 0, 'F', 'T'}},
                    NameCase{"empty", "", {0, 'B', 'C', 'D', 'E', 'F', 'T'}},
                    NameCase{"an embedded zero ends the name",
                             std::string("ab\0cd", 5),
                             {'a', 'b', 0, 'D', 'E', 'F', 'T'}},
                    NameCase{"UTF-8 bytes, cut at six",
                             "\xE4\xB8\xAD\xE6\x96\x87!",
                             {0xE4, 0xB8, 0xAD, 0xE6, 0x96, 0x87, 'T'}}),
    [](const testing::TestParamInfo<NameCase>& info) {
        return terminal_test::caseName(info.param.what);
    });

TEST(ConfigurationWrite, UneditedShortNameGoesBackByteForByte) {
    const TerminalRecord record =
        recordOf(patched(kSampleReport, 37, {'A', 'B', 0, 'X', 'Y', 'Z'}));
    const TerminalDatagram out = configurationWrite(record, editsFromRecord(record));
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin() + 37, out.begin() + 43),
              (std::vector<std::uint8_t>{'A', 'B', 0, 'X', 'Y', 'Z'}));
}

TEST(ConfigurationWrite, DhcpAddressModeIsSentAsOneNeverAsReported) {
    const TerminalRecord record = recordOf(patched(kSampleReport, 46, {0x80}));
    TerminalEdits edits = editsFromRecord(record);
    EXPECT_EQ(configurationWrite(record, edits)[46], 0x01);
    edits.dhcp = false;
    EXPECT_EQ(configurationWrite(record, edits)[46], 0x00);
}

TEST(ConfigurationWrite, TakesOnlyTheLowBitsOfIndicesAndPorts) {
    const TerminalRecord record = recordOf(kSampleReport);
    TerminalEdits edits = editsFromRecord(record);
    edits.workMode = -1; // combo box without a selection
    edits.baudIndex = -1;
    edits.localPort = 70000; // 0x11170
    edits.hostPort = -1;
    const TerminalDatagram out = configurationWrite(record, edits);
    EXPECT_EQ(out[30], 0x70);
    EXPECT_EQ(out[31], 0x11);
    EXPECT_EQ(out[32], 0xFF);
    EXPECT_EQ(out[33], 0xFF);
    EXPECT_EQ(out[34], 0xFF);
    EXPECT_EQ(out[35], 0xFF);
}

TEST(ResetDatagram, PutsTheNewIdIntoTheIdAndTheLastMacByte) {
    const TerminalRecord record = recordOf(kSampleReport);
    const TerminalDatagram expected = {
        0xEF, 0xFE, 0x07, 0x03, 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x05, 0xC0, 0x00, 0x02, 0x14, 0xE0,
        0x00, 0x00, 0x29, 0xC0, 0x00, 0x02, 0x64, 0xC0, 0x00, 0x02, 0x01, 0xFF, 0xFF, 0xFF, 0x00,
        0xA2, 0x22, 0xA3, 0x22, 0x01, 0x06, 0x05, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x54, 0x31,
        0x30, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x21, 0x0A, 0x08, 0x08, 0x04, 0x04};
    EXPECT_EQ(resetDatagram(record, 5), expected);
}

TEST(ResetDatagram, CarriesNoEditAndLeavesTheRecordAlone) {
    const TerminalRecord record = recordOf(kSampleReport);
    const TerminalDatagram out = resetDatagram(record, 0xC8);
    EXPECT_EQ(out[9], 0xC8);
    EXPECT_EQ(out[36], 0xC8);
    EXPECT_EQ(record.bytes(), kSampleReport);
}

} // namespace
