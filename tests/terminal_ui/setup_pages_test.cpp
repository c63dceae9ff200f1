#include "terminal_setup/ui/basic_set_page.h"
#include "terminal_setup/ui/com_set_page.h"
#include "terminal_setup/ui/net_set_page.h"
#include "terminal_setup/ui/other_set_page.h"

#include "tests/support/prompt_recorder.h"
#include "tests/terminal_ui/setup_test_record.h"
#include "widgets/ip_address_edit.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace terminal_setup;
using platform::Prompt;
using platform::PromptIcon;
using setup_test::retype;
using setup_test::retypeAddress;

template <typename T>
T* child(const QWidget& page, const char* name) {
    T* found = page.findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QStringList entries(const QComboBox* combo) {
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}

NetSetValues netStart() {
    NetSetValues start;
    start.workMode = 1;
    start.dhcpFlag = 0;
    start.ipAddress.text = "192.0.2.20";
    start.subnetMask.text = "255.255.255.0";
    start.port = 8866;
    return start;
}

TEST(SetupPageLists, HoldTheirEntriesInOrderWithTheirExactBlanks) {
    test_support::PromptRecorder prompts;
    NetSetPage net(netStart(), prompts);
    ComSetPage com(ComSetValues{6});

    EXPECT_EQ(entries(child<QComboBox>(net, "workModeCombo")),
              (QStringList{"TCP  Server", "TCP  Client", "UDP ", "UDP Multicast"}));
    EXPECT_EQ(entries(child<QComboBox>(net, "disconnectCombo")),
              (QStringList{"5Minutes", "10Minutes", "30Minutes", "Never"}));
    EXPECT_EQ(entries(child<QComboBox>(com, "baudCombo")),
              (QStringList{"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200",
                           "38400", "56000", "57600", "115200"}));
}

struct SelectionCase {
    int value;
    int position; // -1: no selection
};

class WorkModeStart : public testing::TestWithParam<SelectionCase> {};

TEST_P(WorkModeStart, SelectsThePositionOfTheValueOrNothing) {
    test_support::PromptRecorder prompts;
    NetSetValues start = netStart();
    start.workMode = GetParam().value;
    NetSetPage page(start, prompts);

    EXPECT_EQ(child<QComboBox>(page, "workModeCombo")->currentIndex(), GetParam().position);
    page.collect();
    EXPECT_EQ(page.values().workMode, GetParam().position);
}

INSTANTIATE_TEST_SUITE_P(Values, WorkModeStart,
                         testing::Values(SelectionCase{0, 0}, SelectionCase{3, 3},
                                         SelectionCase{4, -1}, SelectionCase{7, -1},
                                         SelectionCase{255, -1}));

class BaudStart : public testing::TestWithParam<SelectionCase> {};

TEST_P(BaudStart, SelectsThePositionOfTheValueOrNothing) {
    ComSetPage page(ComSetValues{GetParam().value});
    EXPECT_EQ(child<QComboBox>(page, "baudCombo")->currentIndex(), GetParam().position);
    page.collect();
    EXPECT_EQ(page.values().baudIndex, GetParam().position);
}

INSTANTIATE_TEST_SUITE_P(Values, BaudStart,
                         testing::Values(SelectionCase{0, 0}, SelectionCase{12, 12},
                                         SelectionCase{13, -1}));

class DisconnectStart : public testing::TestWithParam<SelectionCase> {};

TEST_P(DisconnectStart, SelectsByMinutesAndCollectsThePosition) {
    test_support::PromptRecorder prompts;
    NetSetValues start = netStart();
    start.disconnectTime = GetParam().value;
    NetSetPage page(start, prompts);

    EXPECT_EQ(child<QComboBox>(page, "disconnectCombo")->currentIndex(), GetParam().position);
    page.collect();
    EXPECT_EQ(page.values().disconnectTime, GetParam().position);
}

INSTANTIATE_TEST_SUITE_P(Minutes, DisconnectStart,
                         testing::Values(SelectionCase{5, 0}, SelectionCase{10, 1},
                                         SelectionCase{30, 2}, SelectionCase{0, 3},
                                         SelectionCase{7, -1},
                                         SelectionCase{NetSetValues::kNoDisconnectTime, -1}));

TEST(NetSetPage, AnyNonzeroAddressModeOpensOnDhcpAndCollectsOneOrZero) {
    for (const int flag : {1, -128, 0x80}) {
        test_support::PromptRecorder prompts;
        NetSetValues start = netStart();
        start.dhcpFlag = flag;
        NetSetPage page(start, prompts);
        EXPECT_TRUE(child<QRadioButton>(page, "useDhcpRadio")->isChecked()) << flag;
        EXPECT_FALSE(child<QRadioButton>(page, "specifyIpRadio")->isChecked()) << flag;
        page.collect();
        EXPECT_EQ(page.values().dhcpFlag, 1) << flag;
    }
    test_support::PromptRecorder prompts;
    NetSetPage fixed(netStart(), prompts);
    EXPECT_TRUE(child<QRadioButton>(fixed, "specifyIpRadio")->isChecked());
    fixed.collect();
    EXPECT_EQ(fixed.values().dhcpFlag, 0);
}

TEST(NetSetPage, ChoosingAnAddressModeLeavesEveryControlEditable) {
    test_support::PromptRecorder prompts;
    NetSetPage page(netStart(), prompts);
    page.show();
    QTest::mouseClick(child<QRadioButton>(page, "useDhcpRadio"), Qt::LeftButton);
    for (const char* name : {"ipAddressEdit", "maskEdit", "portEdit"})
        EXPECT_TRUE(child<QWidget>(page, name)->isEnabled()) << name;
    page.collect();
    EXPECT_EQ(page.values().dhcpFlag, 1);

    QTest::mouseClick(child<QRadioButton>(page, "specifyIpRadio"), Qt::LeftButton);
    EXPECT_EQ(page.values().dhcpFlag, 0); // known at once, before any collect
}

struct PortCase {
    const char* text;
    unsigned port;      // what the page holds afterwards (8866 = kept)
    const char* prompt; // nullptr: accepted without a word
};

class NetSetPort : public testing::TestWithParam<PortCase> {};

TEST_P(NetSetPort, AcceptsZeroTo65535AndKeepsThePreviousPortOtherwise) {
    test_support::PromptRecorder prompts;
    NetSetPage page(netStart(), prompts);
    page.show();
    QLineEdit* port = child<QLineEdit>(page, "portEdit");
    retype(port, QString::fromUtf8(GetParam().text));
    retypeAddress(child<widgets::IpAddressEdit>(page, "ipAddressEdit"), "10.0.0.9");

    const bool accepted = page.collect();

    EXPECT_EQ(page.values().port, GetParam().port);
    // The rest of the page is read whatever the port held.
    EXPECT_EQ(page.values().ipAddress.text, "10.0.0.9");
    EXPECT_EQ(page.values().ipAddress.bytes, (Ipv4Bytes{10, 0, 0, 9}));
    if (GetParam().prompt == nullptr) {
        EXPECT_TRUE(accepted);
        EXPECT_TRUE(prompts.prompts.empty());
    } else {
        EXPECT_FALSE(accepted);
        ASSERT_EQ(prompts.prompts.size(), 1U);
        EXPECT_EQ(prompts.prompts[0],
                  Prompt::box("Quellin", GetParam().prompt, PromptIcon::Exclamation));
        EXPECT_EQ(port->selectedText(), port->text());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NetSetPort,
    testing::Values(PortCase{"8000", 8000, nullptr}, PortCase{" 8000 ", 8000, nullptr},
                    PortCase{"0", 0, nullptr}, PortCase{"65535", 65535, nullptr},
                    PortCase{"80a", 8866, "“请填入一个正整数。”"},
                    PortCase{"", 8866, "“请填入一个正整数。”"},
                    PortCase{"-1", 8866, "“请填入一个正整数。”"},
                    PortCase{"70000", 8866, "“请填入一个在0和65535之间的整数。”"},
                    PortCase{"65536", 8866, "“请填入一个在0和65535之间的整数。”"}));

TEST(SetupPages, ARefusedValueAsksTheOwnerToShowThePageBeforeThePrompt) {
    test_support::PromptRecorder prompts;
    NetSetPage net(netStart(), prompts);
    BasicSetPage basic(BasicSetValues{"AB", 0, 0, {}}, prompts);
    OtherSetPage other(OtherSetValues{"224.0.0.41", {}, {}, "8867"}, prompts);
    std::vector<std::size_t> promptsWhenAsked;
    auto note = [&] { promptsWhenAsked.push_back(prompts.prompts.size()); };
    QObject::connect(&net, &NetSetPage::refused, note);
    QObject::connect(&basic, &BasicSetPage::refused, note);
    QObject::connect(&other, &OtherSetPage::refused, note);
    retype(child<QLineEdit>(net, "portEdit"), "80a");
    retype(child<QLineEdit>(basic, "nameEdit"), QString::fromUtf8("한"));
    retype(child<QLineEdit>(other, "hostPortEdit"), "65536");

    EXPECT_FALSE(net.collect());
    EXPECT_FALSE(basic.collect());
    EXPECT_FALSE(other.collect());
    EXPECT_EQ(promptsWhenAsked, (std::vector<std::size_t>{0, 1, 2}));
}

struct VersionCase {
    int version;
    const char* shown;
};

class BasicSetVersions : public testing::TestWithParam<VersionCase> {};

TEST_P(BasicSetVersions, ShowTheNibblesAsMajorDotMinor) {
    test_support::PromptRecorder prompts;
    BasicSetPage page(BasicSetValues{"AB", GetParam().version, GetParam().version, {}}, prompts);
    EXPECT_EQ(child<QLineEdit>(page, "softwareVersionEdit")->text(), GetParam().shown);
    EXPECT_EQ(child<QLineEdit>(page, "hardwareVersionEdit")->text(), GetParam().shown);
    EXPECT_TRUE(child<QLineEdit>(page, "softwareVersionEdit")->isReadOnly());
    EXPECT_TRUE(child<QLineEdit>(page, "hardwareVersionEdit")->isReadOnly());
}

INSTANTIATE_TEST_SUITE_P(Bytes, BasicSetVersions,
                         testing::Values(VersionCase{0x1A, "1.10"}, VersionCase{0x00, "0.0"},
                                         VersionCase{0x21, "2.1"}, VersionCase{0xFF, "15.15"}));

TEST(BasicSetPage, ShowsItsStartAndCollectsNameAndDns) {
    test_support::PromptRecorder prompts;
    BasicSetPage page(BasicSetValues{"AB", 0x1A, 0x21, {"8.8.4.4", {}}}, prompts);
    EXPECT_EQ(child<QLineEdit>(page, "nameEdit")->text(), "AB");
    auto* dns = child<widgets::IpAddressEdit>(page, "dnsServerEdit");
    EXPECT_EQ(dns->text(), "8.8.4.4");

    retype(child<QLineEdit>(page, "nameEdit"), "a%sb");
    EXPECT_EQ(page.values().deviceName, "a%sb"); // known as soon as it is typed
    retypeAddress(dns, "1.1.1.1");
    EXPECT_EQ(page.values().dnsServer.bytes, (Ipv4Bytes{1, 1, 1, 1}));

    EXPECT_TRUE(page.collect());
    EXPECT_EQ(page.values().deviceName, "a%sb");
    EXPECT_EQ(page.values().dnsServer.text, "1.1.1.1");
    EXPECT_EQ(page.values().softwareVersion, 0x1A);
}

TEST(SetupPages, AnAddressTextThatIsNotAnAddressShowsAllOnesAndAnEmptyOneStaysBlank) {
    test_support::PromptRecorder prompts;
    OtherSetPage page(OtherSetValues{"224.0.0.41", {"not an address", {}}, {"", {}}, "1"}, prompts);
    EXPECT_TRUE(child<widgets::IpAddressEdit>(page, "hostIpEdit")->isBlank());
    page.collect();
    EXPECT_EQ(page.values().gateway.bytes, (Ipv4Bytes{255, 255, 255, 255}));
    // An empty text must not turn into the broadcast address.
    EXPECT_EQ(page.values().hostIp.text, "0.0.0.0");
}

TEST(OtherSetPage, CollectsHostAndGatewayButNeverTheMulticastGroup) {
    test_support::PromptRecorder prompts;
    OtherSetPage page(OtherSetValues{"224.0.0.41", {"192.0.2.1", {}}, {"192.0.2.100", {}}, "8867"},
                      prompts);
    EXPECT_EQ(child<widgets::IpAddressEdit>(page, "multicastEdit")->text(), "224.0.0.41");
    auto* hostPort = child<QLineEdit>(page, "hostPortEdit");
    EXPECT_EQ(hostPort->text(), "8867");
    EXPECT_TRUE(hostPort->alignment() & Qt::AlignRight);

    retypeAddress(child<widgets::IpAddressEdit>(page, "multicastEdit"), "239.1.2.3");
    retypeAddress(child<widgets::IpAddressEdit>(page, "gatewayEdit"), "10.0.0.1");
    retypeAddress(child<widgets::IpAddressEdit>(page, "hostIpEdit"), "10.0.0.2");
    retype(hostPort, "4068");
    EXPECT_EQ(page.values().hostPortText, "4068"); // known as soon as it is typed
    EXPECT_TRUE(page.collect());

    EXPECT_EQ(page.values().multicastText, "224.0.0.41");
    EXPECT_EQ(page.values().gateway, (AddressValue{"10.0.0.1", {10, 0, 0, 1}}));
    EXPECT_EQ(page.values().hostIp, (AddressValue{"10.0.0.2", {10, 0, 0, 2}}));
    EXPECT_EQ(page.values().hostPortText, "4068");
    EXPECT_TRUE(prompts.prompts.empty());
}

TEST(SetupPages, ChoicesMadeByTheOperatorAreKnownBeforeCollect) {
    test_support::PromptRecorder prompts;
    NetSetPage net(netStart(), prompts);
    ComSetPage com(ComSetValues{6});
    net.show();
    com.show();

    auto* workMode = child<QComboBox>(net, "workModeCombo");
    workMode->setFocus();
    QTest::keyClick(workMode, Qt::Key_Down);
    EXPECT_EQ(net.values().workMode, 2);

    auto* baud = child<QComboBox>(com, "baudCombo");
    baud->setFocus();
    QTest::keyClick(baud, Qt::Key_Down);
    EXPECT_EQ(com.values().baudIndex, 7);
}

} // namespace
