#pragma once

#include "platform/prompt.h"
#include "terminal_setup/protocol/discovery_listener.h"
#include "terminal_setup/protocol/group_socket_error.h"
#include "terminal_setup/protocol/network_interface.h"
#include "terminal_setup/protocol/scan_window.h"
#include "terminal_setup/protocol/terminal_datagram.h"
#include "terminal_setup/protocol/terminal_table.h"

#include <QHostAddress>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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

    // Opens the multicast socket on `card`: bound to 0.0.0.0 and the discovery port (shared, so
    // that several programs on one host can listen), joined to `groupAddress` on that interface,
    // sending there, and hearing the group only there. It receives both what is sent to the
    // group and what is sent to this host on the port. Returns why it could not be opened, or
    // nothing when it is open; a socket opened before is closed first either way.
    std::optional<GroupSocketError> open(const NetworkInterface* card, const QString& groupAddress);
    // Leaves the group and closes both sockets.
    void close();
    bool isOpen() const { return m_group != nullptr; }
    // The interface the open socket is joined on; empty while closed.
    std::string openInterface() const { return m_group ? m_joined.name : std::string(); }

    // "Scan": (re)opens the multicast socket when it is closed, when `card` is another
    // interface than the one it was opened on (or has another index or address since), or when
    // `card` has lost its link; then empties the table, multicasts a scan request and opens the
    // scan window. When the socket cannot be opened, the operator is told "Socket error!" and
    // why, and nothing else happens. Returns whether the scan went ahead.
    bool scan(const NetworkInterface* card);
    // "Test": empties the table and sends a scan request from local port `hostPort` to port
    // hostPort - 1 (16-bit arithmetic) of `destAddress`. A port of 0 lets the system choose the
    // local port and sends to 65535. A destination that would reach this machine or a whole
    // network (0.0.0.0, which a blank address reads as, 255.255.255.255, or the broadcast
    // address of a network of `localInterfaces`) is refused with "UDP send to error!", and
    // nothing else happens. When the socket cannot be made or the send fails, the operator is
    // told the same; the scan window opens all the same. Returns what became of the request.
    enum class TestOutcome {
        Sent,
        RefusedDestination, // nothing sent, no scan window
        PortUnavailable,    // local port `hostPort` could not be had
        SendFailed,
    };
    TestOutcome test(const QString& destAddress, unsigned hostPort,
                     const std::vector<NetworkInterface>& localInterfaces);

    // The 1000 ms tick: advances the scan window; when it closes, the test socket is closed and
    // the buttons come back.
    void tickScanWindow();
    // The 100 ms ticks: read every datagram waiting, in order of arrival, and store each
    // terminal report as the next record, with the interface it came in on.
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
    // What the socket was joined with; another value means the interface changed under it.
    struct JoinedInterface {
        std::string name;
        int index = 0;
        std::string address;
        bool operator==(const JoinedInterface&) const = default;
    };
    static JoinedInterface joinedInterfaceOf(const NetworkInterface& card);

    void emptyTable();
    void showUdpSendError();
    void drain(std::unique_ptr<QUdpSocket>& slot, std::size_t receiveLimit);
    void closeTestSocket();

    DiscoveryListener& m_listener;
    platform::PromptSink& m_prompts;
    const std::uint16_t m_port;
    QString m_groupText = QString::fromLatin1(kDiscoveryGroup);
    QHostAddress m_groupAddress;
    JoinedInterface m_joined;
    std::unique_ptr<QUdpSocket> m_group;
    std::unique_ptr<QUdpSocket> m_test;
    TerminalTable m_table;
    ScanWindow m_scanWindow;
};

} // namespace terminal_setup
