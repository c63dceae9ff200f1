#pragma once

#include "terminal_setup/protocol/network_interface.h"
#include "terminal_setup/protocol/terminal_datagram.h"
#include "terminal_setup/protocol/terminal_table.h"
#include "terminal_setup/session/discovery_listener.h"
#include "terminal_setup/session/group_socket_error.h"
#include "terminal_setup/session/plan_check.h"
#include "terminal_setup/session/scan_window.h"

#include <QHostAddress>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

class QUdpSocket;

namespace terminal_setup {

inline constexpr std::uint16_t kDiscoveryPort = 24069;
inline constexpr const char* kDiscoveryGroup = "224.0.0.41";

// How often the session's timers run: the scan window's second, the two polls, and the pause
// between a write and the scan that checks it.
struct DiscoveryTiming {
    std::chrono::milliseconds scanWindowTick{1000};
    std::chrono::milliseconds groupPoll{100};
    std::chrono::milliseconds testPoll{100};
    std::chrono::milliseconds writeCheckDelay{1500};
};

struct DiscoverySessionOptions {
    // The discovery port; only tests that must not meet each other choose another.
    std::uint16_t port = kDiscoveryPort;
    DiscoveryTiming timing;
    // The interface the session's own scans (the check of a write, a plan) go out on, asked
    // afresh each time: nothing when no interface is usable. Without it, the card of the last
    // scan or open.
    std::function<std::optional<NetworkInterface>()> scanCard;
};

// Quellin's dialogue with the terminals, without widgets: the multicast socket, the test socket,
// the terminal table, the scan window with its timers, the check of a write by the scan after
// it, and the application of configuration plans. It tells a DiscoveryListener what happened and
// never shows anything. Everything runs on the thread that made it, driven by its timers (after
// start()) or by calls of its tick handlers; nothing blocks.
class DiscoverySession {
public:
    // A datagram of the group above this size is dropped even when it starts like a report.
    static constexpr std::size_t kGroupReceiveLimit = 200;
    static constexpr std::size_t kTestReceiveLimit = 1024;
    // A poll drains its socket, but stops after this many datagrams so that a flood can never
    // hold the thread; the rest wait for the next tick.
    static constexpr int kMaxDatagramsPerPoll = 1024;
    // Room for the answers of a full table (and more) arriving between two polls; the system's
    // default buffer holds barely 256 small datagrams.
    static constexpr int kGroupReceiveBufferBytes = 1 << 20;
    // Terminals turned away by a full table are counted up to this many.
    static constexpr std::size_t kMaxDroppedCounted = 4096;

    explicit DiscoverySession(DiscoveryListener& listener, DiscoverySessionOptions options = {});
    ~DiscoverySession();
    DiscoverySession(const DiscoverySession&) = delete;
    DiscoverySession& operator=(const DiscoverySession&) = delete;

    // Opens the group socket on `card` (silently: a Scan tries again and says why) and starts
    // the scan window's timer and the group poll.
    void start(const NetworkInterface* card, const QString& groupAddress);

    // Opens the multicast socket on `card`: bound to 0.0.0.0 and the discovery port (shared, so
    // that several programs on one host can listen), joined to `groupAddress` on that interface,
    // sending there, and hearing the group only there. It receives both what is sent to the
    // group and what is sent to this host on the port. Returns why it could not be opened, or
    // nothing when it is open; a socket opened before is closed first either way.
    std::optional<GroupSocketError> open(const NetworkInterface* card, const QString& groupAddress);
    // Leaves the group and closes the socket.
    void close();
    bool isOpen() const { return m_group != nullptr; }
    // The interface the open socket is joined on; empty while closed.
    std::string openInterface() const { return m_group ? m_joined.name : std::string(); }

    // "Scan": (re)opens the multicast socket when it is closed, when `card` is another interface
    // than the one it was opened on (or has another index or address since), or when `card` has
    // lost its link; then empties the table, multicasts a scan request and opens the scan
    // window. When the socket cannot be opened, the listener hears why and nothing else
    // happens. Returns whether the scan went ahead.
    bool scan(const NetworkInterface* card);
    // The same on the interface of the options' scanCard.
    bool scan();
    // "Test": empties the table and sends a scan request from local port `hostPort` to port
    // hostPort - 1 (16-bit arithmetic) of `destAddress`, and starts the test poll. A port of 0
    // lets the system choose the local port and sends to 65535. A destination that would reach
    // this machine or a whole network (0.0.0.0, which a blank address reads as,
    // 255.255.255.255, or the broadcast address of a network of `localInterfaces`) is refused:
    // nothing is sent and no scan window opens. When the socket cannot be made or the send
    // fails, the scan window opens all the same. Every outcome but Sent is told to the listener.
    TestOutcome test(const QString& destAddress, unsigned hostPort,
                     const std::vector<NetworkInterface>& localInterfaces);

    // The 1000 ms tick: advances the scan window; when it closes, the test socket is closed,
    // the listener hears scanOver, and a write whose check scan found no report is told.
    void tickScanWindow();
    // The 100 ms ticks: read every datagram waiting, in order of arrival, and store each
    // terminal report as the next record, with the interface it came in on.
    void pollGroupSocket();
    void pollTestSocket();
    // The single tick writeCheckDelay after a checked write: the scan that checks it.
    void tickWriteCheck();

    // Sends one datagram to the group on the discovery port. Returns whether it went out.
    bool sendToGroup(const TerminalDatagram& datagram);
    // A configuration write or reset of the setup dialog, built from `before`: sent to the
    // group and, when it went out, checked by a scan writeCheckDelay later, whose report of the
    // terminal the listener hears as writeChecked. Returns whether it went out; a write that
    // did not drops any check still waiting.
    bool sendChecked(const TerminalDatagram& datagram, const TerminalRecord& before);
    // Whether a write waits to be checked by the next scan.
    bool writeCheckPending() const { return m_pendingCheck.has_value(); }

    // Applies a plan that passed its checks, one terminal after another: each by a
    // configuration write and, for a new ID, a reset after it, each confirmed from the
    // terminal's next report (the scan writeCheckDelay later) and sent once more when the
    // report does not show every value; a terminal the plan did not find is skipped. The
    // listener hears each row's result and the end. False, and nothing sent, for a plan with
    // faults or while another plan runs.
    bool applyPlan(const CheckedPlan& plan);
    bool planRunning() const { return m_plan != nullptr; }
    // Stops a running plan: the row under way and those after it are told as Stopped.
    void stopPlan();

    std::uint16_t port() const { return m_port; }
    const TerminalTable& table() const { return m_table; }
    // Reports of terminals that answered but were not stored because the table was full, since
    // the last Scan or Test: each terminal (by MAC) once, at most kMaxDroppedCounted.
    std::size_t droppedTerminals() const { return m_dropped.size(); }
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

    // A write waiting to be checked: what was sent, and the record it was built from.
    struct PendingCheck {
        TerminalDatagram sent;
        TerminalRecord before;
        bool scanned = false; // the checking scan went out
        bool forPlan = false;
    };
    // A plan under way: the row being applied and its step.
    struct PlanRun {
        CheckedPlan plan;
        std::size_t index = 0; // the row under way
        bool reset = false;    // the step under way is the reset that gives the new ID
        bool second = false;   // the step's datagram went out a second time
        bool repeated = false; // some step of the row went out a second time
        std::optional<TerminalRecord> latest; // the row's terminal as it last reported
    };

    void emptyTable();
    void drain(std::unique_ptr<QUdpSocket>& slot, std::size_t receiveLimit);
    void stored(const TerminalRecord& record);
    bool isListed(const MacBytes& mac) const;
    void closeTestSocket();

    bool sendForCheck(const TerminalDatagram& datagram, const TerminalRecord& before, bool plan);
    void finishCheck(const TerminalRecord* report);
    // The plan's next step: the next row, or the write or reset of the row under way.
    void nextPlanRow();
    bool sendPlanStep();
    void planStepChecked(const TerminalRecord* report);
    void finishPlanRow(PlanRowResult::Outcome outcome, std::vector<PlanChange> notShown = {});

    DiscoveryListener& m_listener;
    const std::uint16_t m_port;
    const DiscoveryTiming m_timing;
    const std::function<std::optional<NetworkInterface>()> m_scanCard;
    std::optional<NetworkInterface> m_lastCard;
    QString m_groupText = QString::fromLatin1(kDiscoveryGroup);
    QHostAddress m_groupAddress;
    JoinedInterface m_joined;
    std::unique_ptr<QUdpSocket> m_group;
    std::unique_ptr<QUdpSocket> m_test;
    TerminalTable m_table;
    std::unordered_set<std::uint64_t> m_dropped;
    ScanWindow m_scanWindow;
    std::optional<PendingCheck> m_pendingCheck;
    std::unique_ptr<PlanRun> m_plan;

    QTimer m_scanWindowTimer;
    QTimer m_groupPollTimer;
    QTimer m_testPollTimer;
    QTimer m_writeCheckTimer;
};

} // namespace terminal_setup
