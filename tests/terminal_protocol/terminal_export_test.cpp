#include "terminal_setup/protocol/terminal_export.h"

#include "tests/terminal_protocol/sample_report.h"

#include <QJsonDocument>
#include <gtest/gtest.h>

namespace {

using namespace terminal_setup;
using terminal_test::kSampleReport;
using terminal_test::patched;
using terminal_test::recordOf;

NetworkInterface lan() {
    NetworkInterface card;
    card.name = "eth0";
    card.index = 2;
    card.ipv4 = {{"192.0.2.1", 24, ""}};
    return card;
}

// The sample, and a second terminal on the same IP named 中,"x (GBK D6 D0, a comma, a quote)
// with a work mode and baud index outside the lists and DHCP.
std::vector<ListedTerminal> twoTerminals() {
    auto second = patched(kSampleReport, 9, {0x5F});
    second = patched(second, 34, {9, 13, 6, 0xD6, 0xD0, ',', '"', 'x', 0});
    second = patched(second, 46, {0x80});
    return {{recordOf(kSampleReport), lan()}, {recordOf(second), std::nullopt}};
}

TEST(TerminalExport, CsvHasAHeaderAndEveryFieldQuotedWhereItMustBe) {
    EXPECT_EQ(exportTerminals(twoTerminals(), ExportFormat::Csv),
              "id,name,model,ip,mask,gateway,dns,port,mode,dhcp,baud,host_ip,host_port,"
              "multicast_ip,mac,software_version,hardware_version,interface,conflicts\r\n"
              "5,ABCDEF,T10,192.0.2.20,255.255.255.0,192.0.2.1,8.8.4.4,8866,TCP  Client,false,"
              "9600,192.0.2.100,8867,224.0.0.41,001A－2B3C－4D5E,2.1,0.10,192.0.2.1,"
              "001A－2B3C－4D5F\r\n"
              "6,\"中,\"\"x\",T10,192.0.2.20,255.255.255.0,192.0.2.1,8.8.4.4,8866,unknown (9),true,"
              "unknown (13),192.0.2.100,8867,224.0.0.41,001A－2B3C－4D5F,2.1,0.10,,"
              "001A－2B3C－4D5E\r\n");
}

TEST(TerminalExport, JsonHasTheSameFieldsWithNumbersTruthValuesAndLists) {
    const auto expected = QJsonDocument::fromJson(R"json([
        {"id": 5, "name": "ABCDEF", "model": "T10", "ip": "192.0.2.20", "mask": "255.255.255.0",
         "gateway": "192.0.2.1", "dns": "8.8.4.4", "port": 8866, "mode": "TCP  Client",
         "dhcp": false, "baud": "9600", "host_ip": "192.0.2.100", "host_port": 8867,
         "multicast_ip": "224.0.0.41", "mac": "001A－2B3C－4D5E", "software_version": "2.1",
         "hardware_version": "0.10", "interface": "192.0.2.1", "conflicts": ["001A－2B3C－4D5F"]},
        {"id": 6, "name": "中,\"x", "model": "T10", "ip": "192.0.2.20", "mask": "255.255.255.0",
         "gateway": "192.0.2.1", "dns": "8.8.4.4", "port": 8866, "mode": "unknown (9)",
         "dhcp": true, "baud": "unknown (13)", "host_ip": "192.0.2.100", "host_port": 8867,
         "multicast_ip": "224.0.0.41", "mac": "001A－2B3C－4D5F", "software_version": "2.1",
         "hardware_version": "0.10", "interface": null, "conflicts": ["001A－2B3C－4D5E"]}
    ])json");
    ASSERT_FALSE(expected.isNull());
    const std::string json = exportTerminals(twoTerminals(), ExportFormat::Json);
    EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(json)), expected) << json;
    // The keys come in the order of the CSV columns, not sorted.
    std::size_t at = 0;
    for (const char* key : kExportFields) {
        const std::size_t next = json.find("\"" + std::string(key) + "\":", at);
        ASSERT_NE(next, std::string::npos) << key;
        at = next;
    }
    EXPECT_EQ(exportTerminals({}, ExportFormat::Json), "[]\n");
}

TEST(TerminalExport, TheExtensionOfAFileNameChoosesTheFormat) {
    EXPECT_EQ(exportFormatOfPath("/tmp/site.CSV"), ExportFormat::Csv);
    EXPECT_EQ(exportFormatOfPath("site.json"), ExportFormat::Json);
    EXPECT_EQ(exportFormatOfPath("/tmp/site.d/list"), std::nullopt);
    EXPECT_EQ(exportFormatOfPath("list.txt"), std::nullopt);
}

} // namespace
