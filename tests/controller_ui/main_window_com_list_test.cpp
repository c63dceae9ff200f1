#include "tests/controller_ui/main_window_fixture.h"

#include "platform/profile.h"

#include <QAbstractItemView>
#include <QPushButton>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace controller_ui_test {
namespace {

using controller::MainWindow;
using platform::SerialOpenError;

const std::string kOpenFailed = "Unable to open the serial port, Please check and try again!";
const Bytes kReadSwitch4{0xBA, 0x01, 0x02, 0x06, 0xA6, 0x00, 0x01, 0x02, 0x03, 0x6F};

std::string comText(const MainWindow& w, int n) {
    return w.findChild<QComboBox*>("comCombo")->itemText(n - 1).toStdString();
}

// How an entry shows a pseudo-terminal: "pts/3".
std::string shown(const test_support::PtyPair& pty) {
    return pty.slavePath().substr(std::string("/dev/").size());
}

enum class Obstacle { NoDevice, NotATerminal, HeldByAnother, NoPermission, RootGroup };

struct FailureCase {
    const char* name;
    Obstacle obstacle;
    int com;
    std::string reason; // "@" stands for the device path
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class OpenFailure : public MainWindowTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(OpenFailure, NamesTheDeviceAndTheReasonAndLeavesNoPortInTheTitle) {
    const FailureCase& c = GetParam();
    std::string path;
    std::unique_ptr<platform::SerialPort> holder;
    switch (c.obstacle) {
    case Obstacle::NoDevice:
        m_portKeys[c.com] = "";
        break;
    case Obstacle::NotATerminal:
        path = m_dir.file("plain-file");
        test_support::TempDir::writeFile(path, "");
        m_portKeys[c.com] = path;
        break;
    case Obstacle::HeldByAnother:
        path = m_pty.slavePath();
        m_realCom1 = true;
        holder = platform::openSerialPort(path).port;
        ASSERT_NE(holder, nullptr);
        break;
    case Obstacle::NoPermission:
    case Obstacle::RootGroup:
        // Root opens any device, so the refusal comes from the opening seam.
        path = m_pty.slavePath();
        m_portFactory =
            [group = c.obstacle == Obstacle::RootGroup ? "root" : "dialout"](const std::string&) {
                platform::SerialOpenResult refused;
                refused.failure = {SerialOpenError::PermissionDenied, EACCES, group};
                return refused;
            };
        break;
    }
    writeSettings("SelectCOM=" + std::to_string(c.com - 1) +
                  "\r\nSelectBAUD=2\r\nMatrixType=3\r\nMatrixSize=0\r\n");
    MainWindow& w = start();
    std::string reason = c.reason;
    if (const auto at = reason.find('@'); at != std::string::npos)
        reason.replace(at, 1, path);
    EXPECT_EQ(m_prompts.texts(), std::vector<std::string>{kOpenFailed + "\r\n" + reason});
    EXPECT_FALSE(w.session().serialOpen());
    EXPECT_EQ(w.windowTitle(), "     Matrix V3.5");
    EXPECT_EQ(control<QPushButton>("openButton")->text(), "OPEN");
}

INSTANTIATE_TEST_SUITE_P(
    Reasons, OpenFailure,
    testing::Values(
        FailureCase{"NoDevice", Obstacle::NoDevice, 4,
                    "COM4: no serial device was found for this entry."},
        FailureCase{"NotATerminal", Obstacle::NotATerminal, 5,
                    "COM5 (@): this is not a serial device."},
        FailureCase{"HeldByAnother", Obstacle::HeldByAnother, 1,
                    "COM1 (@): the port is in use by another program. Close that program first."},
        FailureCase{"NoPermission", Obstacle::NoPermission, 1,
                    "COM1 (@): permission denied.\r\nThe device belongs to group \"dialout\": add "
                    "your user to it\r\n(sudo usermod -aG dialout $USER), then log out and log "
                    "in again."},
        FailureCase{"RootGroup", Obstacle::RootGroup, 1,
                    "COM1 (@): permission denied. Your user needs read and write access to the "
                    "device."}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

// Two adapters with by-id names and no keys: each entry shows its device, the port in use is kept
// under its by-id name, and an adapter that arrives later takes a free entry.
// BRISVANE_COM_LIST_PICTURES=<folder> saves the window and the open list there.
TEST_F(MainWindowTest, EntriesShowTheMachinesPortsAndAChosenOneIsKeptUnderItsStableName) {
    namespace fs = std::filesystem;
    fs::create_directory(m_dir.file("by-id"));
    const std::string byIdA = m_dir.file("by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0");
    const std::string byIdB = m_dir.file("by-id/usb-Prolific_2303-if00-port0");
    fs::create_symlink(m_pty.slavePath(), byIdA);
    fs::create_symlink(m_pty2.slavePath(), byIdB);
    m_machinePorts = {{m_pty2.slavePath(), byIdB, "USB-Serial Controller", "Prolific", "", ""},
                      {m_pty.slavePath(), byIdA, "FT232R USB UART", "FTDI", "A1", "0403:6001"}};
    m_portKeys = {{1, ""}, {2, ""}, {3, ""}};
    MainWindow& w = start();

    ASSERT_TRUE(w.session().serialOpen());
    EXPECT_TRUE(m_prompts.prompts.empty());
    EXPECT_EQ(w.windowTitle(), "  Matrix V3.5 -- COM1:9600,N,8,1");
    EXPECT_EQ(comText(w, 1), "COM1 (" + shown(m_pty) + ")");
    EXPECT_EQ(comText(w, 2), "COM2 (" + shown(m_pty2) + ")");
    EXPECT_EQ(comText(w, 3), "COM3 (no device)");
    const auto* combo = control<QComboBox>("comCombo");
    EXPECT_TRUE(combo->itemData(0, Qt::ToolTipRole).toString().contains("FT232R USB UART"));
    EXPECT_EQ(combo->toolTip(), combo->itemData(0, Qt::ToolTipRole).toString());
    EXPECT_EQ(platform::getProfileString("Ports", "COM1", "", 255, settingsPath()), byIdA);
    EXPECT_EQ(platform::getProfileString("Ports", "COM2", "", 255, settingsPath()), "");

    choose("comCombo", 1);
    ASSERT_TRUE(w.session().serialOpen());
    press("readSwitchButton");
    EXPECT_EQ(m_pty2.read(kReadSwitch4.size()), kReadSwitch4);
    EXPECT_EQ(platform::getProfileString("Ports", "COM2", "", 255, settingsPath()), byIdB);

    // A newcomer whose name sorts first: the kept entries stay where they are.
    test_support::PtyPair third;
    m_machinePorts.push_back(
        {third.slavePath(), m_dir.file("by-id/usb-0000"), "CP2102", "Silicon Labs", "", ""});
    control<QComboBox>("comCombo")->showPopup();
    control<QComboBox>("comCombo")->hidePopup();
    EXPECT_EQ(comText(w, 1), "COM1 (" + shown(m_pty) + ")");
    EXPECT_EQ(comText(w, 2), "COM2 (" + shown(m_pty2) + ")");
    EXPECT_EQ(comText(w, 3), "COM3 (" + shown(third) + ")");
    EXPECT_EQ(w.session().comPorts()[2].path, m_dir.file("by-id/usb-0000"));

    if (const char* folder = std::getenv("BRISVANE_COM_LIST_PICTURES")) {
        const QString at = QString::fromLocal8Bit(folder) + "/";
        w.show();
        control<QComboBox>("comCombo")->showPopup();
        EXPECT_TRUE(w.grab().save(at + "main-window.png"));
        EXPECT_TRUE(control<QComboBox>("comCombo")->view()->window()->grab().save(at + "list.png"));
    }
}

} // namespace
} // namespace controller_ui_test
