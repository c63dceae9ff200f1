#include "tests/terminal_ui/list_window_fixture.h"

#include "tests/support/datagram_flood.h"
#include "tests/support/event_loop_probe.h"

#include <QTableWidget>

#include <algorithm>

namespace terminal_ui_test {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// The flood, in a cycle of five: a terminal report (its ID and name byte vary); noise; a report
// too large for the group's 200-byte receive; a scan request; a report one byte short.
Bytes floodDatagram(std::size_t i) {
    Bytes report(kExampleReport.begin(), kExampleReport.end());
    report[36] = static_cast<std::uint8_t>(i / 5);
    report[37] = static_cast<std::uint8_t>(0x41 + i % 26);
    switch (i % 5) {
    case 0:
        return report;
    case 1: {
        Bytes noise((i * 53) % 400); // some of it empty
        for (std::size_t k = 0; k < noise.size(); ++k)
            noise[k] = static_cast<std::uint8_t>(i * 29 + k * 13);
        return noise;
    }
    case 2:
        report.resize(201, 0xEE);
        return report;
    case 3:
        return Bytes{0xEF, 0xFE, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    default:
        report.resize(59);
        return report;
    }
}

// The list window on the real discovery port: inside the private namespace nothing else
// listens there (other tests pick ports of their own), and nothing leaves the namespace.
class ListWindowFlood : public ListWindowTest {
protected:
    void SetUp() override {
        ListWindowTest::SetUp();
        m_port = terminal_setup::kDiscoveryPort;
    }

    // Runs the window's real timers for `time`, checking the table and the list at every probe
    // tick; returns the probe's record.
    test_support::TickRecord runChecking(std::chrono::milliseconds time) {
        return test_support::runEventLoopWithProbe(time, 100ms, [this] {
            const std::size_t records = m_window->discovery().table().size();
            m_mostRecords = std::max(m_mostRecords, records);
            m_mostRows = std::max(m_mostRows, list()->rowCount());
            m_rowsMatchTable = m_rowsMatchTable && list()->rowCount() == static_cast<int>(records);
        });
    }

    void expectRowsShowTheirRecords() {
        const auto& table = m_window->discovery().table();
        ASSERT_EQ(list()->rowCount(), static_cast<int>(table.size()));
        for (std::size_t row = 0; row < table.size(); ++row) {
            const auto& record = table.at(row);
            ASSERT_EQ(list()->item(static_cast<int>(row), 0)->text(), QString::number(record.id()))
                << "row " << row;
            ASSERT_EQ(list()->item(static_cast<int>(row), 1)->text().toStdString(),
                      std::string(1, static_cast<char>(record.bytes()[37])) + "all1");
        }
    }

    std::size_t m_mostRecords = 0;
    int m_mostRows = 0;
    bool m_rowsMatchTable = true;
};

// Ten thousand datagrams a second for five seconds on port 24069, half to the group and half to
// the host: the window keeps its pace, its memory stays flat, the reports that arrive whole are
// listed (again after a Scan in the middle of it), and neither the table nor the list ever holds
// more than 256 terminals.
TEST_F(ListWindowFlood, KeepsTheWindowAnsweringAndTheTableWithin256) {
    TerminalListWindow& w = openWindow();
    ASSERT_TRUE(w.discovery().isOpen());
    test_support::DatagramFlood toGroup("224.0.0.41", m_port, floodDatagram);
    test_support::DatagramFlood toHost("127.0.0.1", m_port, floodDatagram);
    ASSERT_TRUE(toGroup.ok());
    ASSERT_TRUE(toHost.ok());
    test_support::runEventLoopWithProbe(300ms, 100ms); // settle before measuring memory
    const auto heapBefore = static_cast<long long>(test_support::liveHeapBytes());

    toGroup.start(5000);
    toHost.start(5000);

    const auto firstHalf = runChecking(2500ms);
    EXPECT_EQ(w.discovery().table().size(), 256u);
    expectRowsShowTheirRecords();
    w.onScan();
    EXPECT_EQ(list()->rowCount(), 0);
    const auto secondHalf = runChecking(2500ms);
    toGroup.stop();
    toHost.stop();
    const long long heapGrowth = static_cast<long long>(test_support::liveHeapBytes()) - heapBefore;

    EXPECT_GT(toGroup.sent() + toHost.sent(), 20000u) << "the flood did not get going";
    EXPECT_GE(firstHalf.ticks + secondHalf.ticks, 35);
    EXPECT_LT(std::max(firstHalf.longestGap, secondHalf.longestGap), 1000ms);
    EXPECT_LT(heapGrowth, 2 << 20) << "bytes";
    EXPECT_EQ(m_mostRecords, 256u);
    EXPECT_EQ(m_mostRows, 256);
    EXPECT_TRUE(m_rowsMatchTable);
    EXPECT_EQ(w.discovery().table().size(), 256u);
    expectRowsShowTheirRecords();
    EXPECT_TRUE(m_prompts.prompts.empty());
}

} // namespace
} // namespace terminal_ui_test
