#pragma once

#include "terminal_setup/protocol/write_check.h"
#include "terminal_setup/session/group_socket_error.h"
#include "terminal_setup/session/plan_check.h"

#include <cstddef>

namespace terminal_setup {

// What became of a "Test" request.
enum class TestOutcome {
    Sent,
    RefusedDestination, // 0.0.0.0, 255.255.255.255, a broadcast address: nothing sent, no window
    PortUnavailable,    // the local port could not be had; the scan window opened all the same
    SendFailed,         // the send failed; the scan window opened all the same
};

// What a DiscoverySession tells its owner. Every call comes on the session's thread, from inside
// one of the session's own calls or ticks; a listener may run a nested event loop (a modal
// window) and may call the session back. Each call does nothing unless overridden. The session
// says what happened; what the operator is shown of it, and in which words, is the listener's
// business.
class DiscoveryListener {
public:
    virtual ~DiscoveryListener() = default;

    // Scan or Test emptied the list of reports.
    virtual void terminalsCleared() {}
    // Report `row` of the table was just stored.
    virtual void terminalAdded(std::size_t /*row*/) {}
    // A Scan or Test went out (or a Test failed to): the scan window is open, and neither may
    // start again until it closes.
    virtual void scanStarted() {}
    // The scan window closed at its fifth tick; the test socket is closed.
    virtual void scanOver() {}

    // A Scan could not open the group socket: nothing was sent and nothing emptied.
    virtual void groupSocketFailed(const GroupSocketError& /*error*/) {}
    // A Test did not go out as asked (after scanStarted, where the scan window opened).
    virtual void testFailed(TestOutcome /*outcome*/) {}

    // The check of a write sent with sendChecked() ended: what the terminal's next report shows
    // of it, field by field, or that it did not answer before the scan window closed.
    virtual void writeChecked(const WriteCheck& /*check*/) {}
    // The scan that was to check a write could not go out (groupSocketFailed came first); the
    // check is dropped.
    virtual void writeCheckAbandoned() {}

    // A plan row is done: not found, nothing to change, confirmed or not.
    virtual void planRowFinished(const PlanRowResult& /*result*/) {}
    // Every row of the plan is done (or the plan was stopped).
    virtual void planFinished() {}
};

} // namespace terminal_setup
