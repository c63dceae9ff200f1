#pragma once

#include "controller/session/matrix_session.h"
#include "tests/support/fake_serial_port.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait_for.h"

#include <QUdpSocket>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace controller::session_test {

using Bytes = std::vector<std::uint8_t>;

// "BA 01 02 ..."
std::string hex(std::span<const std::uint8_t> bytes);
Bytes fromHex(const std::string& text);

// Writes down what the session tells, one line each: "serial BA 01 ...", "net BA 01 ...",
// "pairs 0:2 1:3", "text ...", "state arrived", "timed out", "opened COM1 9600", "closed",
// "lost COM1 PATH", "returned", "open failed", "send failed, UseNet 0" and the settings file's
// messages.
class Recorder : public SessionListener {
public:
    void frameSent(std::span<const std::uint8_t> frame, const LinkInfo& link) override {
        events.push_back((link.network ? "net " : "serial ") + hex(frame));
    }
    void frameReceived(std::span<const std::uint8_t>, const LinkInfo&) override { ++received; }
    void crosspointsReported(const std::vector<Crosspoint>& pairs) override {
        std::string line = "pairs";
        for (const Crosspoint& p : pairs)
            line += " " + std::to_string(p.output) + ":" + std::to_string(p.input);
        events.push_back(line);
    }
    void switchStateArrived() override { events.push_back("state arrived"); }
    void replyText(const std::string& text) override { events.push_back("text " + text); }
    void readTimedOut() override { events.push_back("timed out"); }
    void networkSendFailed() override {
        events.push_back("send failed, UseNet " + std::to_string(session->settings().useNet));
    }
    void portOpenFailed() override { events.push_back("open failed"); }
    void portOpened(const std::string& port, int baud) override {
        events.push_back("opened " + port + " " + std::to_string(baud));
    }
    void portClosed() override { events.push_back("closed"); }
    void portLost(const std::string& port, const std::string& path) override {
        events.push_back("lost " + port + " " + path);
    }
    void portReturned() override { events.push_back("returned"); }
    void settingsFileMessage(const platform::Prompt& prompt) override {
        events.push_back(prompt.text);
    }

    MatrixSession* session = nullptr;
    std::vector<std::string> events;
    int received = 0;
};

// A session on a settings file of the test's own. Every port it opens is the fake device `device`
// unless realPorts says to open the path itself; the machine has no serial ports of its own
// unless `machine` lists some. `terminal` plays the network's far end on 127.0.0.1.
class SessionTest : public testing::Test {
protected:
    SessionTest();
    MatrixSession& start(bool readOnly = false);
    std::string settingsPath() const { return m_dir.file("Setting.ini"); }
    void writeSettings(const std::string& text) {
        test_support::TempDir::writeFile(settingsPath(), text);
    }
    // The device answers on the open port; returns once the session has read every byte.
    void deviceSends(const Bytes& bytes);
    // The terminal sends a datagram to the session; returns once the session has taken it.
    void terminalSends(const Bytes& bytes);

    test_support::TempDir m_dir;
    std::shared_ptr<test_support::FakePortControl> device =
        std::make_shared<test_support::FakePortControl>();
    bool realPorts = false;
    std::vector<SerialPortRecord> machine;
    std::vector<std::string> opened;
    std::optional<std::string> hostAddress;
    QUdpSocket terminal;
    Recorder recorder;
    std::unique_ptr<MatrixSession> m_session;
};

} // namespace controller::session_test
