#pragma once

#include "terminal_setup/protocol/terminal_datagram.h"
#include "terminal_setup/ui/terminal_list_window.h"
#include "tests/support/prompt_recorder.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QTableWidget;
class QLineEdit;

namespace widgets {
class HoverButton;
class IpAddressEdit;
} // namespace widgets

namespace terminal_ui_test {

using terminal_setup::SetupDialogInputs;
using terminal_setup::TerminalDatagram;
using terminal_setup::TerminalListWindow;
using terminal_setup::TerminalRecord;

// The name of the host every window test pretends to run on. Its interfaces are those of the
// private namespace (loopback alone) unless a test sets m_options.interfaces.
inline const std::string kTestHostName = "quellin-test-host";

// A terminal report with ID 7, IP 192.168.1.200, multicast address 224.0.0.41 and MAC
// 00 1A 2B 3C 4D 5E, as a terminal sends it.
inline constexpr TerminalDatagram kExampleReport = {
    0xEF, 0xFE, 0x01, 0x10,                   // magic, header byte, type 16
    0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E,       // MAC
    0xC0, 0xA8, 0x01, 0xC8,                   // IP 192.168.1.200
    0xE0, 0x00, 0x00, 0x29,                   // multicast 224.0.0.41
    0xC0, 0xA8, 0x01, 0x64,                   // host IP 192.168.1.100
    0xC0, 0xA8, 0x01, 0x01,                   // gateway 192.168.1.1
    0xFF, 0xFF, 0xFF, 0x00,                   // mask 255.255.255.0
    0xA2, 0x22,                               // local port 8866
    0xA3, 0x22,                               // host port 8867
    0x02,                                     // work mode "UDP "
    0x06,                                     // baud index 9600
    0x07,                                     // ID 7
    0x48, 0x61, 0x6C, 0x6C, 0x31, 0x00,       // name "Hall1"
    0x54, 0x31, 0x30,                         // model "T10"
    0x80,                                     // address mode: DHCP
    0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, // opaque
    0x21,                                     // software version 2.1
    0x0A,                                     // hardware version 0.10
    0xC0, 0xA8, 0x01, 0x01,                   // DNS 192.168.1.1
};

// A list window on a settings folder of its own, with its discovery on a port of its own. Only
// inside the private network namespace: the window joins the multicast group when it opens.
class ListWindowTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void writeSettings(const std::string& contents);
    std::string settingsText() const;

    // Opens the window (shown, on the offscreen platform). Unless told to run the real setup
    // dialog, it records every setup it would open instead.
    TerminalListWindow& openWindow(std::optional<std::string> hostName = kTestHostName,
                                   bool recordSetups = true);

    // Sends `report` to the window's discovery port on loopback and polls until it is listed.
    void deliverReport(const TerminalDatagram& report);
    // Calls `tick` (a poll handler) until the list has `rows` rows.
    bool pollUntilRows(const std::function<void()>& tick, int rows,
                       std::chrono::milliseconds timeout = std::chrono::seconds(5));

    QTableWidget* list() const;
    // The entries of the interface list, as shown.
    std::vector<std::string> interfaceTexts() const;
    QLineEdit* edit(const char* objectName) const;
    widgets::IpAddressEdit* addressEdit(const char* objectName) const;
    widgets::HoverButton* button(const char* objectName) const;
    void click(const char* buttonName);
    // The centre of a cell of the list, in the list viewport's coordinates.
    QPoint cellCentre(int row, int column) const;

    test_support::TempDir m_dir;
    test_support::PromptRecorder m_prompts;
    std::uint16_t m_port = 0;
    terminal_setup::TerminalListWindowOptions m_options; // openWindow sets name and port
    std::unique_ptr<TerminalListWindow> m_window;
    std::vector<std::pair<SetupDialogInputs, TerminalRecord>> m_opened;
};

} // namespace terminal_ui_test
