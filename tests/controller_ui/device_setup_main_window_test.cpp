// The Setup and Network Setting dialogs with the real main window behind them: frames checked on
// the pseudo-terminal that plays the device and on loopback UDP sockets that play the terminal.
#include "controller/ui/network_setting_dialog.h"
#include "controller/ui/setup_dialog.h"
#include "tests/controller_ui/main_window_fixture.h"
#include "widgets/ip_address_edit.h"

#include <QApplication>
#include <QCheckBox>
#include <QHostAddress>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QUdpSocket>

#include <functional>

namespace controller_ui_test {
namespace {

using controller::MainWindow;
using controller::NetworkSettingDialog;
using controller::SetupDialog;

const std::string kHdmi4x4 = "SelectCOM=0\r\nSelectBAUD=2\r\nMatrixType=3\r\nMatrixSize=0\r\n";

// A serial-to-Ethernet terminal's socket on 127.0.0.1, port picked by the system.
class LoopbackTerminal {
public:
    LoopbackTerminal() { m_socket.bind(QHostAddress::LocalHost, 0); }
    std::uint16_t port() const { return m_socket.localPort(); }
    // The next datagram within the time; empty when none came.
    Bytes receive(int timeoutMs = 1000) {
        if (!m_socket.hasPendingDatagrams() && !m_socket.waitForReadyRead(timeoutMs))
            return {};
        QByteArray data(static_cast<int>(m_socket.pendingDatagramSize()), '\0');
        m_socket.readDatagram(data.data(), data.size());
        return Bytes(data.begin(), data.end());
    }

private:
    QUdpSocket m_socket;
};

std::string netSection(std::uint16_t destPort) {
    return "HostPort=0\r\nDestIP=127.0.0.1\r\nDestPort=" + std::to_string(destPort) + "\r\n";
}

class DeviceSetupWithMainWindow : public MainWindowTest {
protected:
    // A Setup dialog opened on the window as the window's "Setup" button does, minus the
    // modal loop; enough for everything the dialog sends.
    std::unique_ptr<SetupDialog> setupDialog() {
        return std::make_unique<SetupDialog>(m_window->session().deviceAddress(), *m_window,
                                             m_window.get());
    }

    // Presses `button` of the main window and runs `body` on the modal dialog it opens, then
    // closes that dialog if the body left it open, so a failing body never hangs the test.
    template <class Dialog>
    void whileOpen(const char* button, const std::function<void(Dialog&)>& body) {
        bool ran = false;
        QTimer::singleShot(0, m_window.get(), [&] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            ran = dialog != nullptr;
            if (!dialog)
                return;
            body(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        press(button);
        processEventsFor(std::chrono::milliseconds(10));
        EXPECT_TRUE(ran) << button << " opened no dialog";
    }

    template <class T>
    static T* in(QWidget& dialog, const char* name) {
        T* found = dialog.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
};

TEST_F(DeviceSetupWithMainWindow, OpeningReadsInputZeroOnTheSerialLineAtOnce) {
    writeSettings(kHdmi4x4 + "ProtocolType=1\r\n");
    start();
    serialQuiet();
    auto dialog = setupDialog();

    // The video-property requests take the selectable header; Setup's own requests keep 0xBA.
    EXPECT_EQ(serialOut(9), Bytes({0x96, 0x01, 0x1D, 0x05, 0x00, 0x11, 0xFF, 0x00, 0x00}));
    in<QLineEdit>(*dialog, "intervalEdit")->setText("10");
    in<QPushButton>(*dialog, "setTime")->click();
    EXPECT_EQ(serialOut(7), Bytes({0xBA, 0x01, 0x1B, 0x03, 0x00, 0x0A, 0xE3}));
}

TEST_F(DeviceSetupWithMainWindow, SetTimeAndSetReachTheLineAndTheSettingsFile) {
    start();
    auto dialog = setupDialog();
    serialQuiet();

    in<QLineEdit>(*dialog, "intervalEdit")->setText("2");
    in<QPushButton>(*dialog, "setTime")->click();
    EXPECT_EQ(serialOut(7), Bytes({0xBA, 0x01, 0x1B, 0x03, 0x00, 0x03, 0xDC}));
    EXPECT_EQ(m_window->settings().idleTime, 3);
    EXPECT_NE(settingsText().find("IdleTime=3\r\n"), std::string::npos) << settingsText();

    in<QCheckBox>(*dialog, "scene01")->setChecked(true);
    in<QCheckBox>(*dialog, "scene16")->setChecked(true);
    in<QPushButton>(*dialog, "setScenes")->click();
    EXPECT_EQ(serialOut(8), Bytes({0xBA, 0x01, 0x19, 0x04, 0x00, 0x80, 0x01, 0x59}));
    EXPECT_NE(settingsText().find("SceneRun=32769\r\n"), std::string::npos) << settingsText();
    EXPECT_TRUE(m_prompts.prompts.empty());
}

TEST_F(DeviceSetupWithMainWindow, BaudRequestStaysOffTheNetworkWhileOtherRequestsUseBoth) {
    LoopbackTerminal terminal;
    writeSettings(kHdmi4x4 + "UseNet=1\r\n", netSection(terminal.port()));
    start();
    auto dialog = setupDialog();
    EXPECT_EQ(terminal.receive(), Bytes({0xBA, 0x01, 0x1D, 0x05, 0x00, 0x11, 0xFF, 0x00, 0x00}));
    serialQuiet();

    choose("matrixIdCombo", 2); // "03": the dialog keeps the address it was opened with
    auto* baud = in<QComboBox>(*dialog, "baudList");
    baud->setCurrentIndex(2);
    emit baud->activated(2);
    in<QPushButton>(*dialog, "baudModify")->click();
    EXPECT_EQ(serialOut(7), Bytes({0xBA, 0x01, 0x18, 0x03, 0x00, 0x02, 0xD8}));
    EXPECT_EQ(terminal.receive(300), Bytes());

    in<QLineEdit>(*dialog, "newAddressEdit")->setText("2");
    in<QPushButton>(*dialog, "addressModify")->click();
    const Bytes changeAddress{0xBA, 0xFF, 0x16, 0x03, 0x00, 0x02, 0xD4};
    EXPECT_EQ(serialOut(7), changeAddress);
    EXPECT_EQ(terminal.receive(), changeAddress);
    EXPECT_TRUE(m_prompts.prompts.empty());
}

TEST_F(DeviceSetupWithMainWindow, AddressModifyOutOfRangeSendsNothingAnywhere) {
    LoopbackTerminal terminal;
    writeSettings(kHdmi4x4 + "UseNet=1\r\n", netSection(terminal.port()));
    start();
    auto dialog = setupDialog();
    terminal.receive();
    serialQuiet();

    for (const char* typed : {"9", "abc"}) {
        in<QLineEdit>(*dialog, "newAddressEdit")->setText(QString::fromLatin1(typed));
        in<QPushButton>(*dialog, "addressModify")->click();
    }
    EXPECT_EQ(serialQuiet(), Bytes());
    EXPECT_EQ(terminal.receive(200), Bytes());
    EXPECT_EQ(m_prompts.texts(), std::vector<std::string>(2, "“请填入一个在1和8之间的整数。”"));
}

TEST_F(DeviceSetupWithMainWindow, HybridMatrixOutputSetGoesOutWithTheWindowsAddress) {
    writeSettings("SelectCOM=0\r\nSelectBAUD=2\r\nMatrixType=5\r\nMatrixSize=0\r\n");
    start();
    auto dialog = setupDialog();
    serialQuiet();

    in<QPushButton>(*dialog, "brightnessSet")->click();
    EXPECT_EQ(serialOut(9), Bytes({0xBA, 0x01, 0x1C, 0x05, 0x00, 0xB1, 0x80, 0x00, 0x00}));
}

TEST_F(DeviceSetupWithMainWindow, ReportsReachTheOpenSetupDialogOnlyForItsChannel) {
    start();
    serialQuiet();
    whileOpen<SetupDialog>("setupButton", [&](SetupDialog& dialog) {
        EXPECT_EQ(serialOut(9), Bytes({0xBA, 0x01, 0x1D, 0x05, 0x00, 0x11, 0xFF, 0x00, 0x00}));
        auto* edid = in<QComboBox>(dialog, "edidList");
        auto* crop = in<QComboBox>(dialog, "cropList");
        auto* aspect = in<QComboBox>(dialog, "aspectRatioList");

        // Input 3 while input 0 is selected: nothing changes.
        deviceSends({0xBA, 0x01, 0x1E, 0x07, 0x03, 0x00, 0x00, 0x0D, 0x01, 0x03, 0xF4});
        EXPECT_EQ(edid->currentIndex(), -1);

        // Input 0 with an EDID the list does not have: crop and aspect ratio still apply.
        deviceSends({0xBA, 0x01, 0x1E, 0x07, 0x00, 0x00, 0x00, 0x13, 0x01, 0x03, 0xF7});
        EXPECT_EQ(edid->currentIndex(), -1);
        EXPECT_EQ(crop->currentIndex(), 1);
        EXPECT_EQ(aspect->currentIndex(), 3);

        deviceSends({0xBA, 0x01, 0x1E, 0x07, 0x00, 0x00, 0x00, 0x0D, 0x00, 0x05, 0xF2});
        EXPECT_EQ(edid->currentIndex(), 13);
        EXPECT_EQ(crop->currentIndex(), 0);
        EXPECT_EQ(aspect->currentIndex(), 5);
        // What a report selects is not sent back to the device.
        EXPECT_EQ(serialQuiet(), Bytes());
    });
    // Once the dialog is gone a report has nowhere to go and changes nothing.
    deviceSends({0xBA, 0x01, 0x1E, 0x07, 0x00, 0x00, 0x00, 0x0D, 0x00, 0x05, 0xF2});
    EXPECT_TRUE(m_prompts.prompts.empty());
}

TEST_F(DeviceSetupWithMainWindow, TheVeryNextRequestGoesToTheNewLocalIpAndPort) {
    LoopbackTerminal oldTerminal;
    LoopbackTerminal newTerminal;
    writeSettings(kHdmi4x4 + "UseNet=1\r\n", netSection(oldTerminal.port()));
    start();

    whileOpen<NetworkSettingDialog>("networkSettingButton", [&](NetworkSettingDialog& dialog) {
        EXPECT_EQ(in<widgets::IpAddressEdit>(dialog, "localIpEdit")->text(), "127.0.0.1");
        in<QLineEdit>(dialog, "destPortEdit")->setText(QString::number(newTerminal.port()));
        in<QPushButton>(dialog, "setButton")->click();
        EXPECT_FALSE(dialog.isVisible());
    });
    EXPECT_EQ(m_window->settings().destPort, newTerminal.port());
    EXPECT_NE(settingsText().find("DestPort=" + std::to_string(newTerminal.port()) + "\r\n"),
              std::string::npos)
        << settingsText();

    auto dialog = setupDialog();
    const Bytes readInputZero{0xBA, 0x01, 0x1D, 0x05, 0x00, 0x11, 0xFF, 0x00, 0x00};
    EXPECT_EQ(newTerminal.receive(), readInputZero);
    EXPECT_EQ(oldTerminal.receive(200), Bytes());
}

TEST_F(DeviceSetupWithMainWindow, AnAddressEnteredForTheTerminalIsUsedWithoutRestarting) {
    LoopbackTerminal terminal;
    writeSettings(kHdmi4x4, "HostPort=0\r\n"); // no terminal address yet, network off
    start();

    whileOpen<NetworkSettingDialog>("networkSettingButton", [&](NetworkSettingDialog& dialog) {
        auto* localIp = in<widgets::IpAddressEdit>(dialog, "localIpEdit");
        EXPECT_TRUE(localIp->isBlank());
        localIp->setText("127.0.0.1");
        in<widgets::IpAddressEdit>(dialog, "gatewayIpEdit")->clear();
        in<QLineEdit>(dialog, "destPortEdit")->setText(QString::number(terminal.port()));
        in<QPushButton>(dialog, "setButton")->click();
    });
    EXPECT_EQ(m_window->settings().destIp, "127.0.0.1");
    EXPECT_EQ(m_window->settings().gateIp, "0.0.0.0");
    EXPECT_NE(settingsText().find("GateIP=0.0.0.0\r\nDestIP=127.0.0.1\r\n"), std::string::npos)
        << settingsText();

    press("useNetCheck");
    ASSERT_EQ(m_window->settings().useNet, 1);
    auto dialog = setupDialog();
    EXPECT_EQ(terminal.receive(), Bytes({0xBA, 0x01, 0x1D, 0x05, 0x00, 0x11, 0xFF, 0x00, 0x00}));
    EXPECT_TRUE(m_prompts.prompts.empty());
}

TEST_F(DeviceSetupWithMainWindow, NetworkCancelChangesNothingInMemoryOrFile) {
    LoopbackTerminal terminal;
    writeSettings(kHdmi4x4, netSection(terminal.port()));
    start();
    const controller::ControllerSettings before = m_window->settings();
    const std::string fileBefore = settingsText();

    whileOpen<NetworkSettingDialog>("networkSettingButton", [&](NetworkSettingDialog& dialog) {
        in<widgets::IpAddressEdit>(dialog, "gatewayIpEdit")->setText("127.0.0.5");
        in<QLineEdit>(dialog, "destPortEdit")->setText("5000");
        in<QPushButton>(dialog, "cancelButton")->click();
        EXPECT_FALSE(dialog.isVisible());
    });
    EXPECT_EQ(m_window->settings(), before);
    EXPECT_EQ(settingsText(), fileBefore);
    EXPECT_TRUE(m_prompts.prompts.empty());
}

TEST_F(DeviceSetupWithMainWindow, NetworkSetRefusesALargePortAndLeavesTheFileAlone) {
    writeSettings(kHdmi4x4, "HostPort=0\r\nDestIP=127.0.0.1\r\nDestPort=70000\r\n");
    start();
    const std::string fileBefore = settingsText();

    whileOpen<NetworkSettingDialog>("networkSettingButton", [&](NetworkSettingDialog& dialog) {
        auto* port = in<QLineEdit>(dialog, "destPortEdit");
        EXPECT_EQ(port->text(), "70000");
        in<QPushButton>(dialog, "setButton")->click();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.focusWidget(), port);
    });
    EXPECT_EQ(m_prompts.texts(), std::vector<std::string>({"“请填入一个在0和65535之间的整数。”"}));
    EXPECT_EQ(settingsText(), fileBefore);
}

} // namespace
} // namespace controller_ui_test
