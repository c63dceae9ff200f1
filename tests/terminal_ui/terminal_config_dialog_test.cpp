#include "terminal_setup/ui/terminal_config_dialog.h"

#include "platform/profile.h"
#include "tests/support/prompt_recorder.h"
#include "tests/support/temp_dir.h"
#include "tests/terminal_ui/setup_test_record.h"
#include "widgets/ip_address_edit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace terminal_setup;
using platform::Prompt;
using platform::PromptIcon;
using setup_test::kReport;
using setup_test::patched;
using setup_test::recordOf;
using setup_test::reportInputs;
using setup_test::retype;
using setup_test::retypeAddress;
using test_support::TempDir;

class TerminalConfigDialogTest : public testing::Test {
protected:
    void open(const TerminalDatagram& report = kReport,
              const SetupDialogInputs& inputs = reportInputs()) {
        m_dialog = std::make_unique<TerminalConfigDialog>(
            inputs, recordOf(report), [this](const TerminalDatagram& d) { sent.push_back(d); },
            m_file, prompts);
        m_dialog->show();
    }

    template <typename T>
    T* control(const char* name) const {
        T* found = m_dialog->findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QLineEdit* edit(const char* name) const { return control<QLineEdit>(name); }
    widgets::IpAddressEdit* address(const char* name) const {
        return control<widgets::IpAddressEdit>(name);
    }
    QTabWidget* tabs() const { return control<QTabWidget>("tabControl"); }
    void click(const char* name) const {
        QTest::mouseClick(control<QWidget>(name), Qt::LeftButton);
    }
    void clickTab(int index) const {
        QTabBar* bar = tabs()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
    void showTabOf(const char* controlName) const {
        QWidget* c = control<QWidget>(controlName);
        for (int i = 0; i < tabs()->count(); ++i) {
            if (tabs()->widget(i)->isAncestorOf(c))
                clickTab(i);
        }
    }
    std::string settingsText() const {
        return TempDir::exists(m_file.path()) ? TempDir::readFile(m_file.path()) : "(none)";
    }
    void writeSettings(const std::string& text) const { TempDir::writeFile(m_file.path(), text); }

    TempDir m_dir;
    const ToolSettingsFile m_file{m_dir.path()};
    test_support::PromptRecorder prompts;
    std::vector<TerminalDatagram> sent;
    std::unique_ptr<TerminalConfigDialog> m_dialog;
};

// --- Refresh ---------------------------------------------------------------------------------

TEST_F(TerminalConfigDialogTest, OpensWithItsCaptionTabsAndTheRowsIdAndMac) {
    open();
    EXPECT_EQ(m_dialog->windowTitle(), "Setup");
    ASSERT_EQ(tabs()->count(), 4);
    EXPECT_EQ(tabs()->tabText(0), "Basic Set");
    EXPECT_EQ(tabs()->tabText(1), "Net Set");
    EXPECT_EQ(tabs()->tabText(2), "COM Set");
    EXPECT_EQ(tabs()->tabText(3), "Other Set");
    EXPECT_EQ(tabs()->currentIndex(), 0);
    EXPECT_EQ(edit("idEdit")->text(), "5");
    EXPECT_EQ(edit("macEdit")->text(), QString::fromUtf8("001A－2B3C－4D5E"));
    EXPECT_EQ(edit("counterEdit")->text(), "1");
    EXPECT_TRUE(edit("counterEdit")->isReadOnly());
    EXPECT_FALSE(control<QCheckBox>("autoIncreaseCheck")->isChecked());
    EXPECT_TRUE(control<QPushButton>("refreshButton")->isDefault());
    EXPECT_EQ(edit("softwareVersionEdit")->text(), "1.10");
    EXPECT_EQ(edit("hardwareVersionEdit")->text(), "2.1");
    // The disconnect time has no starting value: the terminal never tells it.
    EXPECT_EQ(control<QComboBox>("disconnectCombo")->currentIndex(), -1);
}

TEST_F(TerminalConfigDialogTest, RefreshWithNothingEditedSendsTheRecordAsAConfigurationWrite) {
    open();
    click("refreshButton");

    const TerminalDatagram expected = {
        0xEF, 0xFE, 0x07, 0x02, 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0xC0, 0x00, 0x02, 0x14, 0xE0,
        0x00, 0x00, 0x29, 0xC0, 0x00, 0x02, 0x64, 0xC0, 0x00, 0x02, 0x01, 0xFF, 0xFF, 0xFF, 0x00,
        0xA2, 0x22, 0xA3, 0x22, 0x01, 0x06, 0x05, 0x41, 0x42, 0x00, 0x58, 0x59, 0x5A, 0x54, 0x31,
        0x30, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x1A, 0x21, 0x08, 0x08, 0x04, 0x04,
    };
    ASSERT_EQ(sent.size(), 1U);
    EXPECT_EQ(sent[0], expected);
    EXPECT_TRUE(prompts.prompts.empty());
    EXPECT_TRUE(m_dialog->isVisible()); // Refresh leaves the dialog open
}

TEST_F(TerminalConfigDialogTest, EveryEditedValueLandsAtItsOwnOffset) {
    open();
    retypeAddress(address("dnsServerEdit"), "1.2.3.4");
    clickTab(1);
    retypeAddress(address("ipAddressEdit"), "10.0.0.9");
    retypeAddress(address("maskEdit"), "255.255.0.0");
    retype(edit("portEdit"), "8000");
    auto* workMode = control<QComboBox>("workModeCombo");
    workMode->setFocus();
    QTest::keyClick(workMode, Qt::Key_Down); // "UDP "
    click("useDhcpRadio");
    clickTab(2);
    auto* baud = control<QComboBox>("baudCombo");
    baud->setFocus();
    QTest::keyClick(baud, Qt::Key_End); // "115200"
    clickTab(3);
    retypeAddress(address("hostIpEdit"), "10.0.0.2");
    retypeAddress(address("gatewayEdit"), "10.0.0.1");
    retype(edit("hostPortEdit"), "4068");
    click("refreshButton");

    const TerminalDatagram expected = {
        0xEF, 0xFE, 0x07, 0x02, 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x0A, 0x00, 0x00, 0x09, 0xE0,
        0x00, 0x00, 0x29, 0x0A, 0x00, 0x00, 0x02, 0x0A, 0x00, 0x00, 0x01, 0xFF, 0xFF, 0x00, 0x00,
        0x40, 0x1F, 0xE4, 0x0F, 0x02, 0x0C, 0x05, 0x41, 0x42, 0x00, 0x58, 0x59, 0x5A, 0x54, 0x31,
        0x30, 0x01, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x1A, 0x21, 0x01, 0x02, 0x03, 0x04,
    };
    ASSERT_EQ(sent.size(), 1U);
    EXPECT_EQ(sent[0], expected);
}

struct NameCase {
    const char* typed;
    std::vector<std::uint8_t> nameBytes; // bytes 37 to 42
};

void PrintTo(const NameCase& c, std::ostream* os) {
    *os << '"' << c.typed << '"';
}

class RefreshName : public TerminalConfigDialogTest,
                    public testing::WithParamInterface<NameCase> {};

TEST_P(RefreshName, IsWrittenLiterallyIntoSixBytesAndNeverReachesTheModel) {
    open();
    retype(edit("nameEdit"), QString::fromUtf8(GetParam().typed));
    click("refreshButton");

    ASSERT_EQ(sent.size(), 1U);
    EXPECT_EQ(sent[0], patched(patched(kReport, 3, {0x02}), 37, GetParam().nameBytes));
    EXPECT_EQ(sent[0][43], 0x54); // first model byte as reported
}

INSTANTIATE_TEST_SUITE_P(Names, RefreshName,
                         testing::Values(NameCase{"xy", {0x78, 0x79, 0x00, 0x58, 0x59, 0x5A}},
                                         NameCase{"uvwxyz", {0x75, 0x76, 0x77, 0x78, 0x79, 0x7A}},
                                         NameCase{"stuvwxyz", {0x73, 0x74, 0x75, 0x76, 0x77, 0x78}},
                                         NameCase{"a%sb", {0x61, 0x25, 0x73, 0x62, 0x00, 0x5A}},
                                         NameCase{"100%", {0x31, 0x30, 0x30, 0x25, 0x00, 0x5A}},
                                         // GBK, never cut inside a character
                                         NameCase{"你好", {0xC4, 0xE3, 0xBA, 0xC3, 0x00, 0x5A}},
                                         NameCase{"a你好世", {0x61, 0xC4, 0xE3, 0xBA, 0xC3, 0x00}},
                                         NameCase{"你好世界", {0xC4, 0xE3, 0xBA, 0xC3, 0xCA, 0xC0}},
                                         NameCase{"", {0x00, 0x42, 0x00, 0x58, 0x59, 0x5A}}));

TEST_F(TerminalConfigDialogTest, ANameGbkCannotHoldIsRefusedAndNothingIsSent) {
    open();
    for (const char* typed : {"Ä", "ab한", "abcdefא"}) {
        clickTab(2);
        retype(edit("nameEdit"), QString::fromUtf8(typed));
        click("refreshButton");
        EXPECT_EQ(prompts.prompts.back(),
                  Prompt::box("Quellin", "“请填入 GBK 字符集中的字符。”", PromptIcon::Exclamation));
        EXPECT_EQ(tabs()->currentIndex(), 0) << typed;
        EXPECT_EQ(edit("nameEdit")->selectedText(), QString::fromUtf8(typed));
    }
    EXPECT_EQ(prompts.prompts.size(), 3U);
    EXPECT_TRUE(sent.empty());
}

TEST_F(TerminalConfigDialogTest, ANameIsShownFromGbkAndGoesBackAsTheTerminalsOwnBytesUnlessEdited) {
    // "你" and a byte that is part of no GBK character; the list shows it as U+FFFD.
    const TerminalDatagram report = patched(kReport, 37, {0xC4, 0xE3, 0xFF, 0x00, 0x59, 0x5A});
    SetupDialogInputs inputs = reportInputs();
    inputs.nameText = "你\xEF\xBF\xBD";
    open(report, inputs);
    EXPECT_EQ(edit("nameEdit")->text(), QString::fromUtf8("你\xEF\xBF\xBD"));
    click("refreshButton");
    // Appending to it cannot keep the unknown byte: the installer is asked to type a GBK name.
    retype(edit("nameEdit"), QString::fromUtf8("你\xEF\xBF\xBD"
                                               "1"));
    click("refreshButton");
    retype(edit("nameEdit"), QString::fromUtf8("你好1"));
    click("refreshButton");

    ASSERT_EQ(sent.size(), 2U);
    EXPECT_EQ(sent[0], patched(report, 3, {0x02}));
    EXPECT_EQ(sent[1],
              patched(patched(report, 3, {0x02}), 37, {0xC4, 0xE3, 0xBA, 0xC3, 0x31, 0x00}));
    EXPECT_EQ(prompts.texts(), std::vector<std::string>{"“请填入 GBK 字符集中的字符。”"});
}

TEST_F(TerminalConfigDialogTest, ADhcpTerminalOpensOnUseDhcpAndIsSentAsOne) {
    SetupDialogInputs inputs = reportInputs();
    inputs.dhcpFlag = -128; // byte 0x80, taken as a signed byte
    const TerminalDatagram report = patched(kReport, 46, {0x80});
    open(report, inputs);
    EXPECT_TRUE(control<QRadioButton>("useDhcpRadio")->isChecked());
    click("refreshButton");

    ASSERT_EQ(sent.size(), 1U);
    EXPECT_EQ(sent[0], patched(patched(report, 3, {0x02}), 46, {0x01}));
}

TEST_F(TerminalConfigDialogTest, ClickingUseDhcpOnAFixedTerminalSendsOne) {
    open();
    EXPECT_TRUE(control<QRadioButton>("specifyIpRadio")->isChecked());
    clickTab(1);
    click("useDhcpRadio");
    click("refreshButton");
    click("specifyIpRadio");
    click("refreshButton");

    ASSERT_EQ(sent.size(), 2U);
    EXPECT_EQ(sent[0], patched(patched(kReport, 3, {0x02}), 46, {0x01}));
    EXPECT_EQ(sent[1], patched(kReport, 3, {0x02}));
}

struct PortCase {
    const char* edit; // portEdit (Net Set, bytes 30 and 31) or hostPortEdit (Other Set, 32 and 33)
    const char* typed;
    std::vector<std::uint8_t> portBytes;
    const char* prompt; // nullptr: none
};

void PrintTo(const PortCase& c, std::ostream* os) {
    *os << c.edit << " \"" << c.typed << '"';
}

class RefreshPort : public TerminalConfigDialogTest,
                    public testing::WithParamInterface<PortCase> {};

TEST_P(RefreshPort, IsSentLowByteFirstOrRefusedWithNothingSent) {
    open();
    const int page = std::string(GetParam().edit) == "portEdit" ? 1 : 3;
    clickTab(page);
    retype(edit(GetParam().edit), QString::fromUtf8(GetParam().typed));
    clickTab(0); // the operator may press Refresh from any page
    click("refreshButton");

    if (GetParam().prompt == nullptr) {
        ASSERT_EQ(sent.size(), 1U);
        EXPECT_EQ(sent[0],
                  patched(patched(kReport, 3, {0x02}), page == 1 ? 30 : 32, GetParam().portBytes));
        EXPECT_TRUE(prompts.prompts.empty());
        EXPECT_EQ(tabs()->currentIndex(), 0);
    } else {
        EXPECT_TRUE(sent.empty());
        ASSERT_EQ(prompts.prompts.size(), 1U);
        EXPECT_EQ(prompts.prompts[0],
                  Prompt::box("Quellin", GetParam().prompt, PromptIcon::Exclamation));
        // The refused text is shown, selected, on its own page.
        EXPECT_EQ(tabs()->currentIndex(), page);
        EXPECT_EQ(edit(GetParam().edit)->selectedText(), QString::fromUtf8(GetParam().typed));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, RefreshPort,
    testing::Values(PortCase{"portEdit", "8000", {0x40, 0x1F}, nullptr},
                    PortCase{"portEdit", "  8000  ", {0x40, 0x1F}, nullptr},
                    PortCase{"portEdit", "65535", {0xFF, 0xFF}, nullptr},
                    PortCase{"portEdit", "80a", {}, "“请填入一个正整数。”"},
                    PortCase{"portEdit", "70000", {}, "“请填入一个在0和65535之间的整数。”"},
                    PortCase{"hostPortEdit", " 4068 ", {0xE4, 0x0F}, nullptr},
                    PortCase{"hostPortEdit", "0", {0x00, 0x00}, nullptr},
                    PortCase{"hostPortEdit", "abc", {}, "“请填入一个正整数。”"},
                    PortCase{"hostPortEdit", "", {}, "“请填入一个正整数。”"},
                    PortCase{"hostPortEdit", "-1", {}, "“请填入一个正整数。”"},
                    PortCase{"hostPortEdit", "70000", {}, "“请填入一个在0和65535之间的整数。”"}));

TEST_F(TerminalConfigDialogTest, ARefusedPortSendsNothingUntilItIsPutRight) {
    open();
    clickTab(1);
    retype(edit("portEdit"), "80a");
    click("refreshButton");
    retype(edit("portEdit"), "8000");
    click("refreshButton");

    ASSERT_EQ(sent.size(), 1U);
    EXPECT_EQ(sent[0], patched(patched(kReport, 3, {0x02}), 30, {0x40, 0x1F}));
}

TEST_F(TerminalConfigDialogTest, WorkModeAndBaudOutsideTheirListsOpenEmptyAndAreSentAsReported) {
    const TerminalDatagram report = patched(kReport, 34, {0x07, 0x0D});
    SetupDialogInputs inputs = reportInputs();
    inputs.workMode = 7;
    inputs.baudIndex = 13;
    open(report, inputs);
    EXPECT_EQ(control<QComboBox>("workModeCombo")->currentIndex(), -1);
    EXPECT_EQ(control<QComboBox>("baudCombo")->currentIndex(), -1);
    click("refreshButton");

    ASSERT_EQ(sent.size(), 1U);
    EXPECT_EQ(sent[0], patched(report, 3, {0x02}));
}

TEST_F(TerminalConfigDialogTest, TabsShowOnePageAtATimeAndHiddenPagesValuesAreStillSent) {
    open();
    const std::vector<QWidget*> pages = {
        control<QWidget>("basicSetPage"), control<QWidget>("netSetPage"),
        control<QWidget>("comSetPage"), control<QWidget>("otherSetPage")};
    auto visiblePages = [&] {
        std::vector<int> shown;
        for (int i = 0; i < 4; ++i) {
            if (pages[static_cast<std::size_t>(i)]->isVisible())
                shown.push_back(i);
        }
        return shown;
    };
    EXPECT_EQ(visiblePages(), std::vector<int>{0});

    // Pictures of the four pages, for looking at them.
    if (const char* dir = std::getenv("QUELLIN_SETUP_SCREENSHOTS")) {
        for (int i = 0; i < 4; ++i) {
            clickTab(i);
            EXPECT_TRUE(m_dialog->grab().save(
                QStringLiteral("%1/setup-page-%2.png").arg(QString::fromLocal8Bit(dir)).arg(i)));
        }
        clickTab(0);
    }

    retype(edit("nameEdit"), "xy");
    clickTab(3);
    EXPECT_EQ(visiblePages(), std::vector<int>{3});
    retype(edit("hostPortEdit"), "4068");
    clickTab(0);
    EXPECT_EQ(visiblePages(), std::vector<int>{0});
    EXPECT_EQ(edit("nameEdit")->text(), "xy");
    clickTab(3);
    EXPECT_EQ(edit("hostPortEdit")->text(), "4068");
    clickTab(1);
    EXPECT_EQ(visiblePages(), std::vector<int>{1});
    click("refreshButton");

    ASSERT_EQ(sent.size(), 1U);
    EXPECT_EQ(sent[0], patched(patched(patched(kReport, 3, {0x02}), 32, {0xE4, 0x0F}), 37,
                               {0x78, 0x79, 0x00}));
}

TEST_F(TerminalConfigDialogTest, TheMulticastControlAndTheMacEditEnterNoDatagram) {
    open();
    clickTab(3);
    retypeAddress(address("multicastEdit"), "239.1.2.3");
    retype(edit("macEdit"), "FFFF－FFFF－FFFF");
    click("refreshButton");
    click("resetButton");

    ASSERT_EQ(sent.size(), 2U);
    EXPECT_EQ(sent[0], patched(kReport, 3, {0x02}));
    EXPECT_EQ(sent[1], patched(patched(kReport, 3, {0x03}), 9, {0x05}));
}

TEST_F(TerminalConfigDialogTest, EnterInTheDialogsEditsPressesRefresh) {
    open();
    edit("idEdit")->setFocus();
    QTest::keyClick(edit("idEdit"), Qt::Key_Return);
    ASSERT_EQ(sent.size(), 1U);
    EXPECT_EQ(sent[0][3], 0x02);
    EXPECT_TRUE(m_dialog->isVisible());
}

// --- Reset -----------------------------------------------------------------------------------

TEST_F(TerminalConfigDialogTest, ResetTakesTheIdFromTheIdBoxAndLeavesTheFileAlone) {
    writeSettings("[Net]\r\nNetIP=224.0.0.41\r\n[COMM]\r\nAUTOID=9\r\n");
    open();
    for (const char* refused : {"300", "abc", "", "-1"}) {
        retype(edit("idEdit"), refused);
        click("resetButton");
    }
    retype(edit("idEdit"), "7");
    click("resetButton");

    EXPECT_EQ(prompts.texts(),
              (std::vector<std::string>{"“请填入一个在0和255之间的整数。”", "“请填入一个正整数。”",
                                        "“请填入一个正整数。”", "“请填入一个正整数。”"}));
    ASSERT_EQ(sent.size(), 1U);
    EXPECT_EQ(sent[0], patched(patched(patched(kReport, 3, {0x03}), 9, {0x07}), 36, {0x07}));
    EXPECT_EQ(settingsText(), "[Net]\r\nNetIP=224.0.0.41\r\n[COMM]\r\nAUTOID=9\r\n");
    EXPECT_EQ(edit("counterEdit")->text(), "9");
    EXPECT_EQ(edit("idEdit")->text(), "7");
}

TEST_F(TerminalConfigDialogTest, AutoIncreaseWhereTheCounterCannotBeSavedIsRefusedAndSendsNothing) {
    const std::string folder = m_dir.unwritableFolder();
    if (folder.empty())
        GTEST_SKIP() << "no folder in which files cannot be made";
    const ToolSettingsFile readOnly(folder);
    m_dialog = std::make_unique<TerminalConfigDialog>(
        reportInputs(), recordOf(kReport), [this](const TerminalDatagram& d) { sent.push_back(d); },
        readOnly, prompts);
    m_dialog->show();
    click("autoIncreaseCheck");
    click("resetButton");

    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(
        prompts.prompts,
        (std::vector<Prompt>{Prompt::box("Quellin",
                                         "The ID counter cannot be saved in " + readOnly.path() +
                                             ".\nThe Reset was not sent, so that no ID is "
                                             "given twice.",
                                         PromptIcon::Exclamation)}));
    EXPECT_EQ(edit("counterEdit")->text(), "1");
    EXPECT_TRUE(control<QPushButton>("refreshButton")->isEnabled());
}

TEST_F(TerminalConfigDialogTest, AutoIncreaseGivesTwoThenThreeAndStoresEachBeforeSending) {
    std::vector<int> storedWhenSent;
    auto sendAndLook = [&](const TerminalDatagram& d) {
        sent.push_back(d);
        storedWhenSent.push_back(m_file.loadAutoId());
    };
    m_dialog = std::make_unique<TerminalConfigDialog>(reportInputs(), recordOf(kReport),
                                                      sendAndLook, m_file, prompts);
    m_dialog->show();

    click("autoIncreaseCheck");
    click("resetButton");
    EXPECT_EQ(edit("counterEdit")->text(), "2");
    click("resetButton");
    EXPECT_EQ(edit("counterEdit")->text(), "3");

    ASSERT_EQ(sent.size(), 2U);
    const TerminalDatagram reset = patched(kReport, 3, {0x03});
    EXPECT_EQ(sent[0], patched(patched(reset, 9, {0x02}), 36, {0x02}));
    EXPECT_EQ(sent[1], patched(patched(reset, 9, {0x03}), 36, {0x03}));
    EXPECT_EQ(storedWhenSent, (std::vector<int>{2, 3}));
    EXPECT_EQ(edit("idEdit")->text(), "5"); // the ID box is not what auto-increase uses
}

TEST_F(TerminalConfigDialogTest, ACounterOf255GivesIdZeroAndKeeps256) {
    writeSettings("[COMM]\r\nAUTOID=255\r\n");
    open();
    EXPECT_EQ(edit("counterEdit")->text(), "255");
    click("autoIncreaseCheck");
    click("resetButton");

    ASSERT_EQ(sent.size(), 1U);
    EXPECT_EQ(sent[0], patched(patched(patched(kReport, 3, {0x03}), 9, {0x00}), 36, {0x00}));
    EXPECT_EQ(settingsText(), "[COMM]\r\nAUTOID=256\r\n");
    EXPECT_EQ(edit("counterEdit")->text(), "256");
}

TEST_F(TerminalConfigDialogTest, ThreeResetsFromAFileWithoutTheCounterLeaveFourInSectionComm) {
    writeSettings("[Net]\r\nNetIP=224.0.0.41\r\nTestIP=\r\nNetPort=8866\r\n");
    open();
    click("autoIncreaseCheck");
    click("resetButton");
    click("resetButton");
    click("resetButton");

    ASSERT_EQ(sent.size(), 3U);
    EXPECT_EQ(sent[2][36], 0x04);
    EXPECT_EQ(platform::getProfileInt("COMM", "AUTOID", 0, m_file.path()), 4);
    const std::string text = settingsText();
    EXPECT_EQ(text.rfind("[Net]\r\nNetIP=224.0.0.41\r\nTestIP=\r\nNetPort=8866\r\n", 0), 0U);
    EXPECT_NE(text.find("[COMM]\r\nAUTOID=4\r\n"), std::string::npos);
}

TEST_F(TerminalConfigDialogTest, CheckingAndUncheckingAutoIncreaseBehavesAsUnchecked) {
    open();
    click("autoIncreaseCheck");
    click("autoIncreaseCheck");
    click("resetButton");

    ASSERT_EQ(sent.size(), 1U);
    EXPECT_EQ(sent[0][36], 0x05);
    EXPECT_EQ(settingsText(), "(none)");
    EXPECT_EQ(edit("counterEdit")->text(), "1");
}

TEST_F(TerminalConfigDialogTest, EachOpeningStartsUncheckedWithTheCounterReread) {
    open();
    click("autoIncreaseCheck");
    click("resetButton");
    clickTab(2);
    open();
    EXPECT_FALSE(control<QCheckBox>("autoIncreaseCheck")->isChecked());
    EXPECT_FALSE(m_dialog->autoIncrease());
    EXPECT_EQ(edit("counterEdit")->text(), "2");
    EXPECT_EQ(tabs()->currentIndex(), 0);
}

TEST_F(TerminalConfigDialogTest, ResetIsOnlyAvailableWithAtMostOneTerminalListed) {
    for (const int count : {0, 1, 2, 5}) {
        SetupDialogInputs inputs = reportInputs();
        inputs.terminalCount = count;
        open(kReport, inputs);
        EXPECT_EQ(control<QPushButton>("resetButton")->isEnabled(), count <= 1) << count;
        click("refreshButton");
        click("resetButton");
        click("resetButton");
        EXPECT_EQ(control<QPushButton>("resetButton")->isEnabled(), count <= 1) << count;
    }
    // 0 and 1: a refresh and two resets each; 2 and 5: the refresh alone.
    EXPECT_EQ(sent.size(), 8U);
}

TEST_F(TerminalConfigDialogTest, AResetCarriesNoPageEditAndLeavesRefreshDisabledWithAHint) {
    open();
    EXPECT_TRUE(control<QLabel>("refreshHint")->isHidden());
    retype(edit("nameEdit"), "xy");
    retype(edit("idEdit"), "9");
    click("resetButton");
    click("refreshButton");
    edit("idEdit")->setFocus();
    QTest::keyClick(edit("idEdit"), Qt::Key_Return);

    ASSERT_EQ(sent.size(), 1U);
    EXPECT_EQ(sent[0], patched(patched(patched(kReport, 3, {0x03}), 9, {0x09}), 36, {0x09}));
    // The terminal answers to its new MAC now: a write to the old one would be ignored.
    EXPECT_FALSE(control<QPushButton>("refreshButton")->isEnabled());
    EXPECT_TRUE(control<QLabel>("refreshHint")->isVisible());
    EXPECT_TRUE(control<QLabel>("refreshHint")->text().contains("Scan again"));
    EXPECT_EQ(control<QPushButton>("refreshButton")->toolTip(),
              control<QLabel>("refreshHint")->text());
    EXPECT_TRUE(control<QPushButton>("resetButton")->isEnabled());
}

TEST_F(TerminalConfigDialogTest, RefreshAndClosingNeverWriteTheSettingsFile) {
    open();
    click("autoIncreaseCheck");
    click("refreshButton");
    click("exitButton");
    EXPECT_EQ(settingsText(), "(none)");

    writeSettings("[COMM]\r\nAUTOID=3\r\n");
    open();
    click("refreshButton");
    QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
    EXPECT_EQ(settingsText(), "[COMM]\r\nAUTOID=3\r\n");
}

// --- Leaving and accessibility ----------------------------------------------------------------

TEST_F(TerminalConfigDialogTest, ExitAndEscapeCloseWithoutSendingAnything) {
    open();
    click("exitButton");
    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_EQ(m_dialog->result(), QDialog::Rejected);

    open();
    retype(edit("nameEdit"), "xy");
    QTest::keyClick(edit("nameEdit"), Qt::Key_Escape);
    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_TRUE(sent.empty());
}

TEST_F(TerminalConfigDialogTest, EveryControlHasAnAccessibleName) {
    open();
    int checked = 0;
    for (QWidget* w : m_dialog->findChildren<QWidget*>()) {
        // The parts of composite controls are named by the controls themselves.
        if (qobject_cast<widgets::IpAddressEdit*>(w->parentWidget()) ||
            qobject_cast<QTabBar*>(w->parentWidget()))
            continue;
        const bool isControl = qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                               qobject_cast<QAbstractButton*>(w) ||
                               qobject_cast<widgets::IpAddressEdit*>(w) ||
                               qobject_cast<QTabWidget*>(w) || qobject_cast<QGroupBox*>(w);
        if (!isControl)
            continue;
        ++checked;
        EXPECT_FALSE(w->accessibleName().trimmed().isEmpty()) << w->objectName().toStdString();
    }
    EXPECT_GE(checked, 30);
    for (const char* page : {"basicSetPage", "netSetPage", "comSetPage", "otherSetPage"})
        EXPECT_FALSE(control<QWidget>(page)->accessibleName().isEmpty()) << page;
}

} // namespace
