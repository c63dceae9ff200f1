#pragma once

#include "platform/prompt.h"
#include "terminal_setup/protocol/discovery_listener.h"
#include "terminal_setup/protocol/scan_window.h"
#include "terminal_setup/protocol/terminal_datagram.h"
#include "terminal_setup/protocol/terminal_table.h"

#include <QHostAddress>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>

class QUdpSocket;

namespace terminal_setup {

inline constexpr std::uint16_t kDiscoveryPort = 24069;
inline constexpr const char* kDiscoveryGroup = "224.0.0.41";

// The network side of the terminal list window: the multicast socket, the test socket, the
// terminal table and the scan window. No widgets and no timers: the window owns a 1000 ms timer
// that calls tickScanWindow(), a 100 ms timer that calls pollGroupSocket(), and, from the first
// Test on (restarted after every call of test()), a 100 ms timer that calls pollTestSocket().
// Nothing here blocks; everything runs on the window's thread.
class TerminalDiscovery {
public:
    // A datagram of the group above this size is dropped even when it starts like a report.
    static constexpr std::size_t kGroupReceiveLimit = 200;
    static constexpr std::size_t kTestReceiveLimit = 1024;
    // A poll drains its socket, but stops after this many datagrams so that a flood can never
    // hold the window's thread; the rest wait for the next tick.
    static constexpr int kMaxDatagramsPerPoll = 1024;
    // Room for the answers of a full table (and more) arriving between two polls; the system's
    // default buffer holds barely 256 small datagrams.
    static constexpr int kGroupReceiveBufferBytes = 1 << 20;

    // `port` is the discovery port; only tests that must not meet each other choose another.
    TerminalDiscovery(DiscoveryListener& listener, platform::PromptSink& prompts,
                      std::uint16_t port = kDiscoveryPort);
    ~TerminalDiscovery();
    TerminalDiscovery(const TerminalDiscovery&) = delete;
    TerminalDiscovery& operator=(const TerminalDiscovery&) = delete;

    // Opens the multicast socket: bound to 0.0.0.0 and the discovery port (shared, so that
    // several programs on one host can listen), joined to `groupAddress` on the interface that
    // owns `hostAddress`, or on the system's choice when none does. It receives both what is
    // sent to the group and what is sent to this host on the port. A failure is silent: the
    // window then works without group traffic. Returns whether the socket is open.
    bool open(const QString& hostAddress, const QString& groupAddress);
    // Leaves the group and closes both sockets.
    void close();
    bool isOpen() const { return m_group != nullptr; }

    // "Scan": empties the table, multicasts a scan request, opens the scan window.
    void scan();
    // "Test": empties the table and sends a scan request from local port `hostPort` to port
    // hostPort - 1 (16-bit arithmetic) of `destAddress`. A port of 0 lets the system choose the
    // local port and sends to 65535. When the socket cannot be made or the send fails, the
    // operator is told "UDP send to error!"; the scan window opens all the same.
    void test(const QString& destAddress, unsigned hostPort);

    // The 1000 ms tick: advances the scan window; when it closes, the test socket is closed and
    // the buttons come back.
    void tickScanWindow();
    // The 100 ms ticks: read every datagram waiting, in order of arrival, and store each
    // terminal report as the next record.
    void pollGroupSocket();
    void pollTestSocket();

    // Sends one datagram to the group on the discovery port (configuration write or reset).
    // Returns whether it went out; callers need not look.
    bool sendToGroup(const TerminalDatagram& datagram);

    const TerminalTable& table() const { return m_table; }
    const ScanWindow& scanWindow() const { return m_scanWindow; }
    bool isTestSocketOpen() const { return m_test != nullptr; }
    // The local port of the test socket, 0 when it is closed.
    std::uint16_t testSocketPort() const;

private:
    void emptyTable();
    void drain(std::unique_ptr<QUdpSocket>& slot, std::size_t receiveLimit);
    void closeTestSocket();

    DiscoveryListener& m_listener;
    platform::PromptSink& m_prompts;
    const std::uint16_t m_port;
    QHostAddress m_groupAddress;
    std::unique_ptr<QUdpSocket> m_group;
    std::unique_ptr<QUdpSocket> m_test;
    TerminalTable m_table;
    ScanWindow m_scanWindow;
};

} // namespace terminal_setup
