#include "controller/ui/network_setting_dialog.h"
#include "tests/controller_ui/recording_setup_host.h"
#include "widgets/ip_address_edit.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using controller::NetworkSettingDialog;
using test_support::RecordingSetupHost;
using widgets::IpAddressEdit;

namespace {

constexpr const char* kNotANumber = "“请填入一个正整数。”";
constexpr const char* kPortRange = "“请填入一个在0和65535之间的整数。”";

class NetworkSettingDialogTest : public ::testing::Test {
protected:
    NetworkSettingDialogTest() {
        host.values.netIp = "127.0.0.1";
        host.values.gateIp = "10.0.0.1";
        host.values.destIp = "127.0.0.2";
        host.values.maskIp = "255.255.255.0";
        host.values.hostPort = 4069;
        host.values.destPort = 4068;
    }

    void open() {
        dialog = std::make_unique<NetworkSettingDialog>(host);
        dialog->show();
    }

    template <typename T>
    T* find(const char* name) {
        T* control = dialog->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QString address(const char* name) { return find<IpAddressEdit>(name)->text(); }
    void click(const char* name) { QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton); }

    RecordingSetupHost host;
    std::unique_ptr<NetworkSettingDialog> dialog;
};

TEST_F(NetworkSettingDialogTest, OpeningShowsTheSixSettingsAndADisabledAbout) {
    host.values.hostPort = 70000; // from a hand-edited file: shown as it is
    open();

    EXPECT_EQ(dialog->windowTitle(), "Network Setting");
    EXPECT_EQ(address("hostIpEdit"), "127.0.0.1");
    EXPECT_EQ(address("gatewayIpEdit"), "10.0.0.1");
    EXPECT_EQ(address("localIpEdit"), "127.0.0.2");
    EXPECT_EQ(address("maskIpEdit"), "255.255.255.0");
    EXPECT_EQ(find<QLineEdit>("hostPortEdit")->text(), "70000");
    EXPECT_EQ(find<QLineEdit>("destPortEdit")->text(), "4068");
    EXPECT_FALSE(find<QPushButton>("aboutButton")->isEnabled());
    EXPECT_TRUE(find<QPushButton>("setButton")->isDefault());
    EXPECT_TRUE(host.calls.empty());
}

// A terminal in "TCP  Server" mode is reached by TCP: the local port is not used then.
TEST_F(NetworkSettingDialogTest, TransportIsChosenAndKept) {
    open();
    auto* transport = find<QComboBox>("transportCombo");
    EXPECT_EQ(transport->currentText().toStdString(), "UDP");
    test_support::chooseEntry(transport, transport->findText(QStringLiteral("TCP")));
    EXPECT_FALSE(find<QLineEdit>("hostPortEdit")->isEnabled());
    click("setButton");
    EXPECT_EQ(host.values.transport, "TCP");
    EXPECT_NE(host.settingsFileBytes().find("\r\nTransport=TCP\r\n"), std::string::npos);
}

TEST_F(NetworkSettingDialogTest, AnAddressTextThatIsNotAnAddressShowsAllOnesAndAnEmptyOneBlank) {
    host.values.gateIp = "abc";
    host.values.maskIp = "";
    open();

    EXPECT_EQ(address("gatewayIpEdit"), "255.255.255.255");
    EXPECT_TRUE(find<IpAddressEdit>("maskIpEdit")->isBlank());
}

TEST_F(NetworkSettingDialogTest, SetStoresTheSixValuesAndSavesTheNetworkSection) {
    open();
    find<IpAddressEdit>("hostIpEdit")->setText("127.0.0.9");
    find<IpAddressEdit>("gatewayIpEdit")->clear(); // a blank control is the address 0.0.0.0
    find<IpAddressEdit>("localIpEdit")->setText("127.0.0.3");
    find<IpAddressEdit>("maskIpEdit")->setText("255.0.0.0");
    find<QLineEdit>("hostPortEdit")->setText("0");
    find<QLineEdit>("destPortEdit")->setText(" 65535 ");
    click("setButton");

    EXPECT_TRUE(host.recorder.prompts.empty());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(host.values.netIp, "127.0.0.9");
    EXPECT_EQ(host.values.gateIp, "0.0.0.0");
    EXPECT_EQ(host.values.destIp, "127.0.0.3");
    EXPECT_EQ(host.values.maskIp, "255.0.0.0");
    EXPECT_EQ(host.values.hostPort, 0);
    EXPECT_EQ(host.values.destPort, 65535);
    EXPECT_EQ(host.calls, std::vector<std::string>({"save 8"}));
    EXPECT_EQ(host.settingsFileBytes(), "[SYSTEM_SET]\r\nProtocolType=0\r\n"
                                        "[Net]\r\nNetIP=127.0.0.9\r\nGateIP=0.0.0.0\r\n"
                                        "DestIP=127.0.0.3\r\nMaskIP=255.0.0.0\r\n"
                                        "HostPort=0\r\nDestPort=65535\r\n");
}

struct PortCase {
    const char* edit;
    const char* typed;
    const char* prompt;
};

void PrintTo(const PortCase& c, std::ostream* os) {
    *os << c.edit << " \"" << c.typed << '"';
}

class PortRefusalTest : public NetworkSettingDialogTest,
                        public ::testing::WithParamInterface<std::tuple<PortCase, std::string>> {};

// "Set" does not close while a port edit holds something that is not a port; nothing is applied,
// in memory or in the file.
TEST_P(PortRefusalTest, ShowsThePromptOnceFocusesTheEditAndAppliesNothing) {
    const auto& [c, button] = GetParam();
    open();
    const controller::ControllerSettings before = host.values;
    find<IpAddressEdit>("localIpEdit")->setText("127.0.0.7");
    auto* edit = find<QLineEdit>(c.edit);
    edit->setText(QString::fromUtf8(c.typed));
    click(button.c_str());

    ASSERT_EQ(host.recorder.prompts.size(), 1u);
    EXPECT_EQ(host.recorder.prompts[0],
              platform::Prompt::box("Brisvane", c.prompt, platform::PromptIcon::Exclamation));
    EXPECT_EQ(dialog->focusWidget(), edit);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(host.values, before);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(host.settingsFileBytes(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Entries, PortRefusalTest,
    ::testing::Combine(::testing::Values(PortCase{"hostPortEdit", "abc", kNotANumber},
                                         PortCase{"destPortEdit", "abc", kNotANumber},
                                         PortCase{"destPortEdit", "", kNotANumber},
                                         PortCase{"hostPortEdit", "-1", kNotANumber},
                                         PortCase{"destPortEdit", "70000", kPortRange},
                                         PortCase{"hostPortEdit", "65536", kPortRange},
                                         PortCase{"destPortEdit", "4294967296", kNotANumber}),
                       ::testing::Values(std::string("setButton"))),
    [](const auto& info) {
        const PortCase& c = std::get<0>(info.param);
        return test_support::caseName(c.edit) + "_" + test_support::caseName(c.typed) + "_" +
               std::get<1>(info.param);
    });

TEST_F(NetworkSettingDialogTest, AFaultyHostPortIsReportedBeforeTheDestinationPort) {
    open();
    find<QLineEdit>("hostPortEdit")->setText("x");
    find<QLineEdit>("destPortEdit")->setText("70000");
    click("setButton");

    EXPECT_EQ(host.recorder.texts(), std::vector<std::string>({kNotANumber}));
    EXPECT_EQ(dialog->focusWidget(), find<QLineEdit>("hostPortEdit"));
}

TEST_F(NetworkSettingDialogTest, CancelWithValidEditsClosesAndChangesNothing) {
    open();
    const controller::ControllerSettings before = host.values;
    find<IpAddressEdit>("localIpEdit")->setText("127.0.0.7");
    find<QLineEdit>("destPortEdit")->setText("5000");
    click("cancelButton");

    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(host.values, before);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_TRUE(host.recorder.prompts.empty());
    EXPECT_EQ(host.settingsFileBytes(), "");
}

TEST_F(NetworkSettingDialogTest, CancelEscapeAndTheCloseBoxCloseWithoutCheckingOrApplying) {
    for (const char* way : {"escape", "close box", "cancel", "cancel with port 70000 from file"}) {
        const bool fromFile = std::string(way).find("file") != std::string::npos;
        if (fromFile)
            host.values.hostPort = 70000;
        open();
        const controller::ControllerSettings before = host.values;
        if (!fromFile)
            find<QLineEdit>("hostPortEdit")->setText("abc");
        find<IpAddressEdit>("localIpEdit")->setText("127.0.0.7");
        if (std::string(way) == "escape")
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
        else if (std::string(way) == "close box")
            dialog->close();
        else
            click("cancelButton");

        EXPECT_FALSE(dialog->isVisible()) << way;
        EXPECT_EQ(dialog->result(), QDialog::Rejected) << way;
        EXPECT_EQ(host.values, before) << way;
        EXPECT_TRUE(host.recorder.prompts.empty()) << way;
        EXPECT_TRUE(host.calls.empty()) << way;
    }
}

TEST_F(NetworkSettingDialogTest, EveryControlCarriesAnAccessibleName) {
    open();
    for (const char* name :
         {"hostIpEdit", "hostPortEdit", "gatewayIpEdit", "localIpEdit", "destPortEdit",
          "maskIpEdit", "aboutButton", "setButton", "cancelButton"}) {
        auto* control = find<QWidget>(name);
        ASSERT_NE(control, nullptr);
        EXPECT_FALSE(control->accessibleName().isEmpty()) << name;
    }
    EXPECT_EQ(find<QWidget>("localIpEdit")->accessibleName(), "Local IP：");
}

} // namespace
