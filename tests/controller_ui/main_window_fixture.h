#pragma once

#include "controller/ui/main_window.h"
#include "tests/support/fake_serial_port.h"
#include "tests/support/prompt_recorder.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_dir.h"
#include "widgets/hover_button.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QPoint>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace controller_ui_test {

using Bytes = std::vector<std::uint8_t>;

// A main window on its own settings folder, with COM1 on a fake device the test plays (what the
// window writes is there at once, and what the device sends is read before deviceSends returns),
// COM2 on a pseudo-terminal the test holds, COM3..COM9 on paths that do not exist (unless
// m_portKeys says otherwise), the machine's own serial ports never looked at, and every prompt
// recorded. The session's timers are stretched so that only the ticks a test calls by hand
// happen.
class MainWindowTest : public testing::Test {
protected:
    // Lines of section SYSTEM_SET and of section Net; the defaults give a 4x4 "HDMI Matrix" at
    // 9600 baud on COM1 with the network link bound to a port the system picks and off.
    void writeSettings(const std::string& systemSet =
                           "SelectCOM=0\r\nSelectBAUD=2\r\nMatrixType=3\r\nMatrixSize=0\r\n",
                       const std::string& net = "HostPort=0\r\n");
    // Writes the default settings unless writeSettings ran, then builds the window.
    controller::MainWindow& start();

    std::string settingsPath() const { return m_dir.file("Setting.ini"); }
    std::string settingsText() const { return test_support::TempDir::readFile(settingsPath()); }
    std::string missingPath(int n) const { return m_dir.file("no-such-port-" + std::to_string(n)); }
    // The line an open failure adds for COMn on its missing path.
    std::string notPresent(int n) const;

    // The next `count` bytes the window wrote on COM1 (fewer when it wrote no more).
    Bytes serialOut(std::size_t count);
    // Everything the window wrote on COM1 and no call above has taken yet.
    Bytes serialQuiet();
    // The device answers on COM1; returns once the window has read and handled every byte.
    void deviceSends(const Bytes& bytes);

    // The operator's actions; mouse positions are in the window content's pixels.
    void clickAt(QPoint pos);
    void moveTo(QPoint pos);
    void choose(const char* comboName, int index);
    void press(const char* buttonName);
    template <class T>
    T* control(const char* objectName) {
        T* found = m_window->findChild<T*>(QString::fromLatin1(objectName));
        EXPECT_NE(found, nullptr) << objectName;
        return found;
    }

    // Processes events until pred holds; false when the time ran out first.
    template <class Pred>
    bool waitFor(Pred pred, std::chrono::milliseconds timeout = std::chrono::seconds(3));

    test_support::TempDir m_dir;
    // COM1's path. Opening it gives the fake device, unless m_realCom1 asks for the real
    // pseudo-terminal behind it.
    test_support::PtyPair m_pty;
    std::shared_ptr<test_support::FakePortControl> m_device =
        std::make_shared<test_support::FakePortControl>();
    bool m_realCom1 = false;
    std::size_t m_takenBytes = 0;
    test_support::PtyPair m_pty2;
    test_support::PromptRecorder m_prompts;
    // Keys of section Ports that writeSettings writes instead of its own; "" writes none.
    std::map<int, std::string> m_portKeys;
    // The serial ports the window's enumeration finds (none, unless a test says so), and how it
    // opens one (empty: for real, which only ever meets the test's own paths). Both are looked
    // at whenever the window uses them.
    std::vector<controller::SerialPortRecord> m_machinePorts;
    platform::SerialPortFactory m_portFactory;
    std::unique_ptr<controller::MainWindow> m_window;
    bool m_settingsWritten = false;
};

void processEventsFor(std::chrono::milliseconds time);

template <class Pred>
bool MainWindowTest::waitFor(Pred pred, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        processEventsFor(std::chrono::milliseconds(5));
    }
    return true;
}

// Centre of the crosspoint of output `o` and input `i` in the window's current grid.
QPoint crosspointCentre(const controller::MainWindow& window, int o, int i);

} // namespace controller_ui_test
