#include "tests/terminal_ui/list_window_fixture.h"

#include "tests/terminal_protocol/free_udp_port.h"

#include "terminal_setup/ui/quellin_about_dialog.h"
#include "widgets/hover_button.h"
#include "widgets/ip_address_edit.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <gmock/gmock.h>

namespace terminal_ui_test {
namespace {

using platform::Prompt;
using platform::PromptIcon;

std::vector<std::string> rowTexts(QTableWidget* list, int row) {
    std::vector<std::string> texts;
    for (int column = 0; column < list->columnCount(); ++column)
        texts.push_back(list->item(row, column)->text().toStdString());
    return texts;
}

TEST_F(ListWindowTest, ShowsItsControlsWithTheirCaptionsAndTheListItsColumns) {
    openWindow();

    std::vector<std::string> labels;
    for (const QLabel* label : m_window->findChildren<QLabel*>()) {
        if (label->buddy())
            labels.push_back(label->text().toStdString());
    }
    EXPECT_THAT(labels, testing::UnorderedElementsAre("Interface：", "Host Name：", "Host MAC：",
                                                      "Host Port：", "Multicast address：",
                                                      "Dest address：", "Host IP："));

    struct ButtonCase {
        const char* name;
        const char* caption;
    };
    for (const ButtonCase& expected :
         {ButtonCase{"setupButton", "Setup"}, ButtonCase{"scanButton", "Scan"},
          ButtonCase{"testButton", "Test"}, ButtonCase{"exportButton", "Export..."},
          ButtonCase{"exitButton", "Exit"}}) {
        const widgets::HoverButton* found = button(expected.name);
        ASSERT_NE(found, nullptr) << expected.name;
        EXPECT_EQ(found->text().toStdString(), expected.caption);
        EXPECT_TRUE(found->isFlatLook()) << expected.name;
        EXPECT_TRUE(found->hasImage()) << expected.name;
        EXPECT_EQ(found->isDefault(), std::string(expected.name) == "exitButton");
    }
    EXPECT_FALSE(m_window->windowIcon().isNull());

    QTableWidget* terminals = list();
    const int widths[] = {50, 80, 80, 140, 140, 140};
    const char* headers[] = {"ID", "Name", "Model", "IP", "Multicast IP", "MAC"};
    ASSERT_EQ(terminals->columnCount(), 6);
    for (int column = 0; column < 6; ++column) {
        EXPECT_EQ(terminals->horizontalHeaderItem(column)->text().toStdString(), headers[column]);
        EXPECT_GE(terminals->columnWidth(column), widths[column]) << headers[column];
    }
    // A whole MAC and a whole address fit their columns in the list's own bold face.
    const QFontMetrics metrics(terminals->font());
    EXPECT_GT(terminals->columnWidth(5),
              metrics.horizontalAdvance(QString::fromUtf8("001A\xEF\xBC\x8D"
                                                          "2B3C\xEF\xBC\x8D"
                                                          "4D5E")));
    EXPECT_GT(terminals->columnWidth(3),
              metrics.horizontalAdvance(QStringLiteral("255.255.255.255")));
    EXPECT_TRUE(terminals->showGrid());
    EXPECT_EQ(terminals->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(terminals->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(terminals->palette().color(QPalette::Base), QColor(200, 200, 255));
    EXPECT_EQ(terminals->palette().color(QPalette::Text), QColor(0, 0, 255));
    EXPECT_TRUE(terminals->font().bold());
    EXPECT_TRUE(terminals->horizontalHeader()->font().bold());
}

TEST_F(ListWindowTest, FirstRunShowsTheDefaultsAndTheHost) {
    openWindow();

    EXPECT_EQ(addressEdit("groupAddressEdit")->text().toStdString(), "224.0.0.41");
    EXPECT_FALSE(addressEdit("groupAddressEdit")->isEnabled());
    EXPECT_EQ(edit("hostPortEdit")->text().toStdString(), "8866");
    EXPECT_EQ(edit("hostNameEdit")->text().toStdString(), "quellin-test-host");
    // The private namespace has loopback alone, so loopback it is; it has no MAC.
    EXPECT_EQ(interfaceTexts(), std::vector<std::string>{"127.0.0.1 (lo)"});
    EXPECT_EQ(addressEdit("hostAddressEdit")->text().toStdString(), "127.0.0.1");
    EXPECT_EQ(edit("hostMacEdit")->text().toStdString(), "");
    EXPECT_TRUE(edit("hostMacEdit")->isReadOnly());
    EXPECT_TRUE(m_window->discovery().isOpen());
    EXPECT_EQ(m_window->discovery().openInterface(), "lo");
    EXPECT_EQ(settingsText(), "[Net]\r\nNetIP=224.0.0.41\r\nTestIP=\r\nNetPort=8866\r\n");
}

TEST_F(ListWindowTest, InterfaceListShowsUsableCardsAndTheChoiceSetsHostIpMacAndIsKept) {
    // Made-up cards: the socket cannot join on them, which a window keeps quiet about at start.
    auto card = [](const char* name, const char* address, const char* mac) {
        terminal_setup::NetworkInterface made;
        made.name = name;
        made.up = made.running = made.multicast = true;
        made.hardwareAddress = mac;
        made.ipv4.push_back({address, 24, ""});
        return made;
    };
    std::vector<terminal_setup::NetworkInterface> machine = {
        card("wlp2s0", "192.0.2.34", "02:00:5E:00:00:01"),
        card("enp3s0", "198.51.100.10", "02:00:5E:00:00:02")};
    m_options.interfaces = [&machine] { return machine; };
    m_options.defaultRouteInterface = [] { return std::string("wlp2s0"); };
    openWindow();

    EXPECT_EQ(interfaceTexts(),
              (std::vector<std::string>{"192.0.2.34 (wlp2s0)", "198.51.100.10 (enp3s0)"}));
    EXPECT_EQ(m_window->chosenInterface(), "wlp2s0") << "the default route's";
    EXPECT_EQ(addressEdit("hostAddressEdit")->text().toStdString(), "192.0.2.34");
    EXPECT_EQ(edit("hostMacEdit")->text().toStdString(), "0200－5E00－0001");
    EXPECT_TRUE(m_prompts.prompts.empty());

    auto* combo = m_window->findChild<QComboBox*>("interfaceCombo");
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(m_window->chosenInterface(), "enp3s0");
    EXPECT_EQ(addressEdit("hostAddressEdit")->text().toStdString(), "198.51.100.10");
    EXPECT_EQ(edit("hostMacEdit")->text().toStdString(), "0200－5E00－0002");

    // A card plugged in later shows when the list is opened; the choice stays.
    machine.push_back(card("usb0", "203.0.113.5", "02:00:5E:00:00:03"));
    combo->showPopup();
    combo->hidePopup();
    EXPECT_EQ(interfaceTexts().size(), 3u);
    EXPECT_EQ(combo->currentText().toStdString(), "198.51.100.10 (enp3s0)");

    // Gone from the system, it stays chosen, and a Scan says what became of it.
    machine.erase(machine.begin() + 1);
    click("scanButton");
    EXPECT_EQ(combo->currentText().toStdString(), "(enp3s0)");
    EXPECT_TRUE(addressEdit("hostAddressEdit")->isBlank());
    EXPECT_EQ(m_prompts.texts(),
              std::vector<std::string>{"Socket error!\nNetwork interface enp3s0 is down, unplugged "
                                       "or gone."});
    EXPECT_TRUE(button("scanButton")->isEnabled());

    m_window->close();
    EXPECT_NE(settingsText().find("NetInterface=enp3s0\r\n"), std::string::npos);
    m_window.reset();

    // The next run starts on the remembered card.
    machine.push_back(card("enp3s0", "198.51.100.10", "02:00:5E:00:00:02"));
    openWindow();
    EXPECT_EQ(m_window->chosenInterface(), "enp3s0");
}

TEST_F(ListWindowTest, HostWithoutNameOrUsableInterfaceLeavesThoseFieldsEmptyAndScanSaysWhy) {
    m_options.interfaces = [] { return std::vector<terminal_setup::NetworkInterface>{}; };
    openWindow(std::nullopt);
    EXPECT_EQ(edit("hostNameEdit")->text(), "");
    EXPECT_EQ(edit("hostMacEdit")->text(), "");
    EXPECT_TRUE(addressEdit("hostAddressEdit")->isBlank());
    EXPECT_TRUE(interfaceTexts().empty());
    EXPECT_FALSE(m_window->discovery().isOpen());

    click("scanButton");
    EXPECT_EQ(m_prompts.texts(),
              std::vector<std::string>{
                  "Socket error!\nNo network interface is up with an IPv4 address and multicast."});
}

TEST_F(ListWindowTest, TestToTheBlankDestAddressOfAFirstRunIsRefused) {
    openWindow();
    ASSERT_TRUE(addressEdit("destAddressEdit")->isBlank());

    click("testButton");

    EXPECT_EQ(m_prompts.prompts, (std::vector<Prompt>{Prompt::box("提示", "UDP send to error!",
                                                                  PromptIcon::Information)}));
    EXPECT_TRUE(button("testButton")->isEnabled());
    EXPECT_FALSE(m_window->discovery().isTestSocketOpen());
}

TEST_F(ListWindowTest, ReportShowsItsFieldsInTheSixColumns) {
    openWindow();
    deliverReport(kExampleReport);

    EXPECT_EQ(rowTexts(list(), 0), (std::vector<std::string>{"7", "Hall1", "T10", "192.168.1.200",
                                                             "224.0.0.41", "001A－2B3C－4D5E"}));
    for (int column = 0; column < 6; ++column)
        EXPECT_EQ(list()->item(0, column)->textAlignment(), Qt::AlignCenter);
}

TEST_F(ListWindowTest, FirstClickOnTheEmptyPartSelectsNothingAndSetupDoesNothing) {
    openWindow();
    deliverReport(kExampleReport);

    const QPoint belowTheRows(20, list()->viewport()->height() - 5);
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, belowTheRows);
    EXPECT_EQ(m_window->selectedRow(), TerminalListWindow::kNoRow);

    click("setupButton");
    EXPECT_TRUE(m_opened.empty());

    // Once a row is chosen, what Setup opens is what the list shows as selected.
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, cellCentre(0, 1));
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, belowTheRows);
    const bool rowShownSelected = !list()->selectedItems().isEmpty();
    click("setupButton");
    EXPECT_EQ(m_opened.size(), rowShownSelected ? 1u : 0u);
}

TEST_F(ListWindowTest, SetupOpensTheClickedRowWithItsRecordsValues) {
    openWindow();
    deliverReport(kExampleReport);

    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, cellCentre(0, 2));
    ASSERT_EQ(m_window->selectedRow(), 0);
    click("setupButton");

    ASSERT_EQ(m_opened.size(), 1u);
    const SetupDialogInputs& inputs = m_opened[0].first;
    EXPECT_EQ(inputs.recordIndex, 0);
    EXPECT_EQ(inputs.idText, "7");
    EXPECT_EQ(inputs.macText, "001A－2B3C－4D5E");
    EXPECT_EQ(inputs.nameText, "Hall1");
    EXPECT_EQ(inputs.ipText, "192.168.1.200");
    EXPECT_EQ(inputs.softwareVersion, 0x21);
    EXPECT_EQ(inputs.hardwareVersion, 0x0A);
    EXPECT_EQ(inputs.dnsText, "192.168.1.1");
    EXPECT_EQ(inputs.maskText, "255.255.255.0");
    EXPECT_EQ(inputs.port, 8866u);
    EXPECT_EQ(inputs.dhcpFlag, -128); // byte 0x80 taken as a signed byte
    EXPECT_EQ(inputs.workMode, 2);
    EXPECT_EQ(inputs.baudIndex, 6);
    EXPECT_EQ(inputs.multicastText, "224.0.0.41");
    EXPECT_EQ(inputs.hostIpText, "192.168.1.100");
    EXPECT_EQ(inputs.hostPortText, "8867");
    EXPECT_EQ(inputs.gatewayText, "192.168.1.1");
    EXPECT_EQ(inputs.terminalCount, 1);
    EXPECT_EQ(m_opened[0].second.bytes(), kExampleReport);
}

TEST_F(ListWindowTest, DoubleClickSelectsTheRowAndOpensItsSetupLeavingTheListAlone) {
    openWindow();
    deliverReport(kExampleReport);
    TerminalDatagram second = kExampleReport;
    second[36] = 8;
    deliverReport(second);

    // The system delivers a double click as a click followed by the double-click event.
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, cellCentre(1, 0));
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, cellCentre(1, 0));

    ASSERT_EQ(m_opened.size(), 1u);
    EXPECT_EQ(m_opened[0].first.recordIndex, 1);
    EXPECT_EQ(m_opened[0].first.idText, "8");
    EXPECT_EQ(m_window->selectedRow(), 1);
    EXPECT_EQ(list()->rowCount(), 2);
}

TEST_F(ListWindowTest, ReportArrivingWhileSetupIsOpenIsListedAtOnceAndTheDialogKeepsItsRecord) {
    openWindow();
    deliverReport(kExampleReport);
    TerminalDatagram late = kExampleReport;
    late[36] = 9;
    int rowsSeenInside = 0;
    m_window->setSetupOpener([&](const SetupDialogInputs& inputs, const TerminalRecord& record) {
        deliverReport(late);
        rowsSeenInside = list()->rowCount();
        m_opened.emplace_back(inputs, record);
    });

    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, cellCentre(0, 0));
    click("setupButton");

    EXPECT_EQ(rowsSeenInside, 2);
    ASSERT_EQ(m_opened.size(), 1u);
    EXPECT_EQ(m_opened[0].second.bytes(), kExampleReport);
    EXPECT_EQ(m_window->selectedRow(), 0);
}

TEST_F(ListWindowTest, TestWithAPortThatIsNoNumberPromptsAndUsesTheLastGoodPort) {
    const std::uint16_t hostPort = terminal_test::freeUdpPortAboveAnother();
    writeSettings("[Net]\r\nTestIP=127.0.0.1\r\nNetPort=" + std::to_string(hostPort) + "\r\n");
    openWindow();
    edit("hostPortEdit")->setText("");

    click("testButton");

    EXPECT_EQ(m_prompts.texts(), std::vector<std::string>{"“请填入一个正整数。”"});
    EXPECT_EQ(m_window->discovery().testSocketPort(), hostPort);
    EXPECT_FALSE(button("testButton")->isEnabled());
}

TEST_F(ListWindowTest, ScanEmptiesListAndSelectionAndHoldsTheButtonsUntilTheFifthTick) {
    openWindow();
    deliverReport(kExampleReport);
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, cellCentre(0, 0));
    ASSERT_EQ(m_window->selectedRow(), 0);

    click("scanButton");

    EXPECT_EQ(m_window->selectedRow(), TerminalListWindow::kNoRow);
    EXPECT_EQ(list()->rowCount(), 0);
    EXPECT_TRUE(list()->selectedItems().isEmpty());
    for (int tick = 1; tick <= 4; ++tick) {
        m_window->onScanWindowTick();
        EXPECT_FALSE(button("scanButton")->isEnabled()) << "tick " << tick;
        EXPECT_FALSE(button("testButton")->isEnabled()) << "tick " << tick;
    }
    m_window->onScanWindowTick();
    EXPECT_TRUE(button("scanButton")->isEnabled());
    EXPECT_TRUE(button("testButton")->isEnabled());
}

TEST_F(ListWindowTest, EnterAndEscapeNeitherCloseTheWindowNorPressAButton) {
    openWindow();
    deliverReport(kExampleReport);
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, cellCentre(0, 0));

    for (QWidget* focus : std::initializer_list<QWidget*>{
             edit("hostNameEdit"), list(), button("exitButton"), button("setupButton")}) {
        focus->setFocus();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
            QTest::keyClick(focus, key);
    }
    QApplication::processEvents();

    EXPECT_TRUE(m_window->isVisible());
    EXPECT_TRUE(m_opened.empty());
    EXPECT_EQ(list()->rowCount(), 1);
    EXPECT_TRUE(m_prompts.prompts.empty());
}

TEST_F(ListWindowTest, ClosingTheWindowAnyWaySavesTheValuesOfTheControls) {
    openWindow();
    addressEdit("destAddressEdit")->setText("192.0.2.55");
    edit("hostPortEdit")->setText("9100");

    m_window->close();

    EXPECT_FALSE(m_window->isVisible());
    EXPECT_EQ(settingsText(), "[Net]\r\nNetIP=224.0.0.41\r\nTestIP=192.0.2.55\r\nNetPort=9100\r\n"
                              "NetInterface=lo\r\n");
}

TEST_F(ListWindowTest, ExitWritesTheFixedGroupBackOverAForeignOne) {
    writeSettings("[Net]\nNetIP=239.1.1.1\nTestIP=192.0.2.7\n");
    openWindow();
    EXPECT_EQ(addressEdit("groupAddressEdit")->text().toStdString(), "224.0.0.41");
    EXPECT_EQ(addressEdit("destAddressEdit")->text().toStdString(), "192.0.2.7");
    EXPECT_EQ(edit("hostPortEdit")->text().toStdString(), "8866");

    click("exitButton");

    EXPECT_FALSE(m_window->isVisible());
    EXPECT_EQ(m_window->result(), QDialog::Accepted);
    EXPECT_EQ(settingsText(),
              "[Net]\nNetIP=224.0.0.41\nTestIP=192.0.2.7\nNetPort=8866\nNetInterface=lo\n");
}

TEST_F(ListWindowTest, ExitWithAPortThatIsNoNumberPromptsSavesTheOldPortAndStaysOpen) {
    writeSettings("[Net]\r\nNetIP=224.0.0.41\r\nTestIP=192.0.2.7\r\nNetPort=9000\r\n");
    openWindow();
    edit("hostPortEdit")->setText("");
    addressEdit("destAddressEdit")->setText("192.0.2.8");

    click("exitButton");

    EXPECT_TRUE(m_window->isVisible());
    EXPECT_EQ(m_prompts.prompts, (std::vector<Prompt>{Prompt::box("Quellin", "“请填入一个正整数。”",
                                                                  PromptIcon::Exclamation)}));
    EXPECT_EQ(settingsText(), "[Net]\r\nNetIP=224.0.0.41\r\nTestIP=192.0.2.8\r\nNetPort=9000\r\n"
                              "NetInterface=lo\r\n");
    EXPECT_EQ(m_window->hostPort(), 9000u);
}

TEST_F(ListWindowTest, AboutEntryOpensTheAboutBox) {
    openWindow();
    EXPECT_EQ(m_window->aboutAction()->text().toStdString(), "About Quellin(&A)...");
    EXPECT_TRUE(m_window->actions().contains(m_window->aboutAction()));

    std::string caption;
    std::string text;
    std::string settings;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle().toStdString();
        if (auto* label = box->findChild<QLabel*>("aboutText"))
            text = label->text().toStdString();
        if (auto* label = box->findChild<QLabel*>("aboutSettings"))
            settings = label->text().toStdString();
        if (auto* ok = box->findChild<QPushButton*>("aboutOk"))
            ok->click();
    });
    m_window->aboutAction()->trigger();

    EXPECT_EQ(caption, "关于 Quellin");
    EXPECT_EQ(text, "Quellin 2.1 ");
    EXPECT_EQ(settings, "Settings file: " + m_dir.file("Quellin.ini"));
}

TEST_F(ListWindowTest, EveryControlHasAnAccessibleNameAndTheListReadsAsATable) {
    openWindow();
    deliverReport(kExampleReport);

    for (QWidget* control : m_window->findChildren<QWidget*>()) {
        if (control->focusPolicy() == Qt::NoFocus || !control->isVisibleTo(m_window.get()))
            continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        ASSERT_NE(accessible, nullptr);
        EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
            << control->metaObject()->className() << " " << control->objectName().toStdString();
    }

    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(list());
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->text(QAccessible::Name).toStdString(), "Terminals");
    ASSERT_NE(table->tableInterface(), nullptr);
    EXPECT_EQ(table->tableInterface()->rowCount(), 1);
    EXPECT_EQ(table->tableInterface()->columnCount(), 6);
    QAccessibleInterface* cell = table->tableInterface()->cellAt(0, 5);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->text(QAccessible::Name).toStdString(), "001A－2B3C－4D5E");
    EXPECT_EQ(table->tableInterface()->columnDescription(3).toStdString(), "IP");
}

} // namespace
} // namespace terminal_ui_test
