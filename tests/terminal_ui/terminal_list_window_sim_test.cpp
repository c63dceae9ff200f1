// The list window against terminal-sim, inside the private network namespace.

#include "tests/terminal_protocol/free_udp_port.h"
#include "tests/terminal_protocol/terminal_sim_process.h"
#include "tests/terminal_ui/list_window_fixture.h"
#include "widgets/hover_button.h"
#include "widgets/ip_address_edit.h"

#include "terminal_setup/ui/terminal_config_dialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QSet>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include <cstdlib>

namespace terminal_ui_test {
namespace {

using terminal_test::TerminalSimProcess;

class ListWindowSimTest : public ListWindowTest {
protected:
    std::unique_ptr<TerminalSimProcess> startSim(QStringList arguments) {
        arguments << "--port" << QString::number(m_port);
        auto sim = std::make_unique<TerminalSimProcess>(MATRIX_BIN_DIR "/terminal-sim", arguments);
        EXPECT_TRUE(sim->isReady()) << sim->log().toStdString();
        return sim;
    }
};

TEST_F(ListWindowSimTest, ScanListsEveryTerminalAndTheButtonsComeBackAtTheFifthTick) {
    auto sim = startSim({"--count", "6", "--seed", "21"});
    openWindow();

    click("scanButton");
    EXPECT_FALSE(button("scanButton")->isEnabled());
    EXPECT_FALSE(button("testButton")->isEnabled());
    ASSERT_TRUE(pollUntilRows([this] { m_window->onGroupPollTick(); }, 6));

    // Six distinct terminals, every row filled from its own record.
    QSet<QString> macs;
    for (int row = 0; row < 6; ++row) {
        macs.insert(list()->item(row, 5)->text());
        EXPECT_EQ(list()->item(row, 0)->text().toInt(),
                  m_window->discovery().table().at(static_cast<std::size_t>(row)).id());
    }
    EXPECT_EQ(macs.size(), 6);
    // The tool's own request came back through the group and was not listed.
    EXPECT_EQ(m_window->discovery().table().size(), 6u);

    for (int tick = 1; tick <= 4; ++tick)
        m_window->onScanWindowTick();
    EXPECT_FALSE(button("scanButton")->isEnabled());
    m_window->onScanWindowTick();
    EXPECT_TRUE(button("scanButton")->isEnabled());
    EXPECT_TRUE(button("testButton")->isEnabled());

    // A picture of the window with terminals listed, for the documentation.
    if (const char* path = std::getenv("QUELLIN_SCREENSHOT")) {
        EXPECT_TRUE(m_window->grab().save(QString::fromLocal8Bit(path)));
    }
}

TEST_F(ListWindowSimTest, TestAsksTheDestAddressFromHostPortAndListsTheAnswer) {
    const std::uint16_t hostPort = terminal_test::freeUdpPortAboveAnother();
    auto sim = startSim({"--count", "1", "--test-port", QString::number(hostPort - 1)});
    openWindow();
    edit("hostPortEdit")->setText(QString::number(hostPort));
    addressEdit("destAddressEdit")->setText("127.0.0.1");

    click("testButton");

    EXPECT_EQ(m_window->hostPort(), hostPort);
    EXPECT_EQ(m_window->discovery().testSocketPort(), hostPort);
    ASSERT_TRUE(pollUntilRows([this] { m_window->onTestPollTick(); }, 1));
    EXPECT_TRUE(m_prompts.prompts.empty());
}

TEST_F(ListWindowSimTest, SetupRunsTheTerminalsSetupDialogWhoseRefreshReachesTheGroup) {
    // A listener of the group on the window's discovery port, as a terminal would be.
    QUdpSocket terminal;
    ASSERT_TRUE(terminal.bind(QHostAddress::AnyIPv4, m_port, QUdpSocket::ShareAddress));
    ASSERT_TRUE(terminal.joinMulticastGroup(QHostAddress("224.0.0.41"),
                                            QNetworkInterface::interfaceFromName("lo")));
    openWindow(kTestHostName, false);
    deliverReport(kExampleReport);
    while (terminal.hasPendingDatagrams())
        terminal.receiveDatagram(); // the report itself

    std::string idShown;
    QTimer::singleShot(0, [&] {
        auto* dialog =
            qobject_cast<terminal_setup::TerminalConfigDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        if (auto* id = dialog->findChild<QLineEdit*>("idEdit"))
            idShown = id->text().toStdString();
        dialog->onRefresh();
        dialog->reject();
    });
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, cellCentre(0, 0));
    click("setupButton");

    EXPECT_EQ(idShown, "7");
    ASSERT_TRUE(terminal.waitForReadyRead(2000) || terminal.hasPendingDatagrams());
    const QByteArray sent = terminal.receiveDatagram().data();
    // The record sent back as a configuration write: type 2, and the DHCP byte 0x80 as 1.
    const QByteArray expected = QByteArray::fromHex("effe0102"       // magic, header, type 2
                                                    "001a2b3c4d5e"   // MAC
                                                    "c0a801c8"       // IP
                                                    "e0000029"       // multicast
                                                    "c0a80164"       // host IP
                                                    "c0a80101"       // gateway
                                                    "ffffff00"       // mask
                                                    "a222a322"       // ports
                                                    "020607"         // mode, baud, ID
                                                    "48616c6c3100"   // name
                                                    "543130"         // model
                                                    "01"             // DHCP
                                                    "11223344556677" // opaque
                                                    "210a"           // versions
                                                    "c0a80101");     // DNS
    EXPECT_EQ(sent.toHex().toStdString(), expected.toHex().toStdString());
    EXPECT_EQ(list()->rowCount(), 1);
}

} // namespace
} // namespace terminal_ui_test
