#pragma once

#include "terminal_setup/protocol/network_interface.h"
#include "terminal_setup/protocol/terminal_listing.h"
#include "terminal_setup/scan/scan_options.h"
#include "terminal_setup/session/discovery_listener.h"
#include "terminal_setup/session/discovery_session.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QEventLoop;

namespace terminal_setup {

// The interface to scan on: the one named `wanted` or holding it as an address; with nothing
// wanted, the one Quellin would start on (`remembered` when usable, else the default route's,
// else the first usable). A card chosen by one of its addresses gets that address first, so
// that the terminals it lists answered on that address. Null, with the reason in `error`, when
// there is none.
NetworkInterface* scanInterface(std::vector<NetworkInterface>& all, const std::string& wanted,
                                const std::string& remembered, const std::string& defaultRoute,
                                std::string& error);

// quellin-scan's dialogue with the terminals, on a DiscoverySession run by this thread's event
// loop: one scan (or test) whose answers are collected for the options' duration, and then,
// for --apply, a plan applied one terminal after another.
class ConsoleScan : private DiscoveryListener {
public:
    // `all` is the computer's interfaces, which tell the card each answer came in on; `card`
    // (one of them, or null with a test address) is where the scan and the plan go out.
    ConsoleScan(const ScanOptions& options, std::vector<NetworkInterface> all,
                const NetworkInterface* card, unsigned hostPort);
    ~ConsoleScan() override;
    ConsoleScan(const ConsoleScan&) = delete;
    ConsoleScan& operator=(const ConsoleScan&) = delete;

    // Multicasts a scan request on the card (or, with a test address, sends it from local port
    // hostPort to port hostPort - 1 of that address) and collects the answers. False, with the
    // reason in error(), when nothing could be asked.
    bool collect();
    const std::string& error() const { return m_error; }

    // Every terminal once, in order of arrival.
    std::vector<ListedTerminal> terminals() const;
    // Terminals that answered but found the list full.
    std::size_t notListed() const { return m_session.droppedTerminals(); }

    // Applies a plan that passed its checks, telling `rowDone` each row's result as it ends;
    // returns when the last row is done.
    void apply(const CheckedPlan& plan, const std::function<void(const PlanRowResult&)>& rowDone);

private:
    void groupSocketFailed(const GroupSocketError& error) override;
    void testFailed(TestOutcome outcome) override;
    void planRowFinished(const PlanRowResult& result) override;
    void planFinished() override;

    const ScanOptions m_options;
    const std::vector<NetworkInterface> m_all;
    const std::optional<NetworkInterface> m_card;
    const unsigned m_hostPort;
    DiscoverySession m_session;
    std::string m_error;
    std::function<void(const PlanRowResult&)> m_rowDone;
    QEventLoop* m_planLoop = nullptr;
};

} // namespace terminal_setup
