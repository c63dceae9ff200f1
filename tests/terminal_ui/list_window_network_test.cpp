// The list window on a network of two links, each with terminals of its own: it scans the
// chosen interface only, is not drawn onto loopback by a host name that maps there, and picks
// up a link that comes up after it started.
#include "tests/terminal_ui/list_window_fixture.h"

#include "terminal_setup/protocol/interface_choice.h"
#include "terminal_setup/protocol/system_interfaces.h"
#include "terminal_setup/protocol/terminal_format.h"
#include "terminal_setup/ui/host_identity.h"
#include "tests/support/veth_network.h"
#include "tests/terminal_protocol/terminal_sim_process.h"
#include "widgets/hover_button.h"
#include "widgets/ip_address_edit.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

#include <algorithm>
#include <memory>
#include <set>
#include <string>

namespace terminal_ui_test {
namespace {

using terminal_test::TerminalSimProcess;

class ListWindowOnTestNetwork : public ListWindowTest {
protected:
    // Two links from this namespace: A (192.0.2.0/24) carries the default route, B
    // (198.51.100.0/24) starts switched off. Loopback can multicast and holds the multicast
    // route, as a host whose name maps to 127.0.0.1 would join and send there.
    void SetUp() override {
        ListWindowTest::SetUp();
        if (IsSkipped())
            return;
        std::string why;
        if (!m_network.enter(why))
            GTEST_SKIP() << "no test network: " << why;
        m_port = terminal_setup::kDiscoveryPort; // the namespace is the test's alone
        m_farA = m_network.addLink("qlA", "192.0.2.1/24", "termA", "192.0.2.2/24", why);
        m_farB = m_network.addLink("qlB", "198.51.100.1/24", "termB", "198.51.100.2/24", why);
        if (m_farA == 0 || m_farB == 0)
            GTEST_SKIP() << "no virtual Ethernet links: " << why;
        ASSERT_TRUE(m_network.ip({"route", "add", "default", "via", "192.0.2.2"}, why)) << why;
        ASSERT_TRUE(m_network.ip({"link", "set", "lo", "multicast", "on"}, why)) << why;
        ASSERT_TRUE(m_network.ip({"route", "add", "224.0.0.0/4", "dev", "lo"}, why)) << why;
        ASSERT_TRUE(m_network.setHostName("localhost", why)) << why;

        m_simA = startSim(m_farA, "2", "21");
        m_simB = startSim(m_farB, "3", "22");
        ASSERT_TRUE(m_network.ip({"link", "set", "qlB", "down"}, why)) << why;
    }

    void TearDown() override {
        ListWindowTest::TearDown();
        m_simA.reset();
        m_simB.reset();
    }

    std::unique_ptr<TerminalSimProcess> startSim(qint64 far, const char* count, const char* seed) {
        auto sim = std::make_unique<TerminalSimProcess>(
            MATRIX_BIN_DIR "/terminal-sim", QStringList{"--count", count, "--seed", seed},
            std::chrono::seconds(10), far);
        EXPECT_TRUE(sim->isReady()) << sim->log().toStdString();
        return sim;
    }

    void setLink(const char* name, const char* state) {
        std::string why;
        ASSERT_TRUE(m_network.ip({"link", "set", name, state}, why)) << why;
    }

    // Scan, then the polls until `rows` terminals are listed, then the scan window's seconds.
    void scanUntil(int rows) {
        click("scanButton");
        ASSERT_TRUE(pollUntilRows([this] { m_window->onGroupPollTick(); }, rows));
        for (int tick = 0; tick < 5; ++tick)
            m_window->onScanWindowTick();
    }

    // The MAC column of every row, and the MACs a simulator sent its reports for.
    std::set<std::string> listedMacs() const {
        std::set<std::string> macs;
        for (int row = 0; row < list()->rowCount(); ++row)
            macs.insert(list()->item(row, 5)->text().toStdString());
        return macs;
    }
    static std::set<std::string> macsOf(const TerminalSimProcess& sim) {
        std::set<std::string> macs;
        for (const QString& line : sim.lines("send")) {
            const QStringList words = line.split(' ', Qt::SkipEmptyParts);
            terminal_setup::MacBytes mac{};
            for (std::size_t i = 0; i < mac.size(); ++i)
                mac[i] =
                    static_cast<std::uint8_t>(words[6 + static_cast<int>(i)].toUInt(nullptr, 16));
            macs.insert(terminal_setup::formatMac(mac));
        }
        return macs;
    }

    // Scan requests a simulator received (it also hears its own reports come back).
    static int scansHeard(const TerminalSimProcess& sim) {
        const QStringList received = sim.lines("recv");
        return static_cast<int>(
            std::count_if(received.begin(), received.end(),
                          [](const QString& l) { return l.section(' ', 2, 5) == "EF FE 01 01"; }));
    }

    test_support::VethNetwork m_network;
    qint64 m_farA = 0;
    qint64 m_farB = 0;
    std::unique_ptr<TerminalSimProcess> m_simA;
    std::unique_ptr<TerminalSimProcess> m_simB;
};

TEST_F(ListWindowOnTestNetwork, ScansTheChosenLinkOnlyAndTakesUpALinkThatComesUpLater) {
    openWindow(terminal_setup::systemHostName());
    const auto interfaces = terminal_setup::systemNetworkInterfaces();
    const terminal_setup::NetworkInterface* linkA =
        terminal_setup::findInterface(interfaces, "qlA");
    ASSERT_NE(linkA, nullptr);

    // The default route's link, whatever the host name maps to; loopback is not offered.
    EXPECT_EQ(edit("hostNameEdit")->text().toStdString(), "localhost");
    EXPECT_EQ(interfaceTexts(), std::vector<std::string>{"192.0.2.1 (qlA)"});
    EXPECT_EQ(addressEdit("hostAddressEdit")->text().toStdString(), "192.0.2.1");
    EXPECT_EQ(edit("hostMacEdit")->text().toStdString(),
              terminal_setup::macText(linkA->hardwareAddress));
    ASSERT_NO_FATAL_FAILURE(scanUntil(2));
    EXPECT_EQ(listedMacs(), macsOf(*m_simA));
    EXPECT_EQ(scansHeard(*m_simB), 0);

    // Link B comes up: the next Scan lists it, and choosing it finds B's terminals only.
    setLink("qlB", "up");
    ASSERT_NO_FATAL_FAILURE(scanUntil(2));
    EXPECT_EQ(interfaceTexts(),
              (std::vector<std::string>{"192.0.2.1 (qlA)", "198.51.100.1 (qlB)"}));
    auto* combo = m_window->findChild<QComboBox*>("interfaceCombo");
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(addressEdit("hostAddressEdit")->text().toStdString(), "198.51.100.1");
    ASSERT_NO_FATAL_FAILURE(scanUntil(3));
    EXPECT_EQ(listedMacs(), macsOf(*m_simB));
    EXPECT_EQ(scansHeard(*m_simA), 2) << "A heard the first two scans only";
    EXPECT_EQ(m_window->discovery().openInterface(), "qlB");

    // B goes down: a Scan says so and changes nothing; up again, the next Scan works.
    setLink("qlB", "down");
    click("scanButton");
    EXPECT_EQ(m_prompts.texts(),
              std::vector<std::string>{
                  "Socket error!\nNetwork interface qlB is down, unplugged or gone."});
    EXPECT_EQ(list()->rowCount(), 3);
    EXPECT_TRUE(button("scanButton")->isEnabled());
    setLink("qlB", "up");
    ASSERT_NO_FATAL_FAILURE(scanUntil(3));
    EXPECT_EQ(listedMacs(), macsOf(*m_simB));
    EXPECT_EQ(m_prompts.prompts.size(), 1u);

    click("exitButton");
    EXPECT_NE(settingsText().find("NetInterface=qlB\r\n"), std::string::npos);
}

} // namespace
} // namespace terminal_ui_test
