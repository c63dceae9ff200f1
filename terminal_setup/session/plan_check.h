#pragma once

#include "terminal_setup/protocol/terminal_listing.h"
#include "terminal_setup/session/terminal_plan.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace terminal_setup {

// A plan held against the terminals listed now: which rows are found, what each would change,
// and whether the plan may go out at all. Plain code over copies: no socket, no widget.

// One field of one terminal, as it shows now and as the plan wants it.
struct PlanChange {
    PlanField field = PlanField::Id;
    std::string from; // as the terminal shows it; empty when the terminal was not found
    std::string to;

    bool operator==(const PlanChange&) const = default;
};

// "ip 192.0.2.20 → 192.0.2.31"; for a terminal not found "ip → 192.0.2.31".
std::string describePlanChange(const PlanChange& change);

// One row of a checked plan.
struct PlannedTerminal {
    std::size_t row = 0;
    MacBytes mac{};
    std::optional<TerminalRecord> found; // the terminal's last report, when it is listed
    // The wanted values that differ from what the terminal shows (every wanted value when it is
    // not found), in column order, and the same as changes.
    std::vector<PlanValue> values;
    std::vector<PlanChange> changes;

    // Whether a configuration write is needed, and the new ID of a reset, if any.
    bool writes() const;
    std::optional<std::uint8_t> newId() const;
};

struct CheckedPlan {
    std::vector<PlannedTerminal> terminals; // in the plan's order
    // Every reason not to send anything: the file's own faults, values not valid for their
    // field, a MAC twice, an IP (of a terminal with a fixed address) or ID twice among the plan
    // and the other terminals listed, a new ID for a terminal a reset could not reach alone.
    std::vector<PlanFault> faults;

    bool ok() const { return faults.empty(); }
    std::size_t notFound() const;
};

// Checks `plan` against `listed` (the terminals of the list, each report of a MAC counting as
// the terminal's latest when it is heard more than once). A value equal to the terminal's own
// is no change and is not checked, so that an exported file is always a valid plan; a clash
// counts only where the plan sets the IP or ID, not between values it leaves alone.
CheckedPlan checkPlan(const Plan& plan, const std::vector<ListedTerminal>& listed);

// The configuration write of a planned terminal, built from its latest report.
TerminalDatagram planWrite(const PlannedTerminal& terminal, const TerminalRecord& latest);

// The wanted values that `report` does not show, with what it shows instead (`from`): those of
// the write, or with `reset` the ID.
std::vector<PlanChange> planValuesNotShown(const PlannedTerminal& terminal, bool reset,
                                           const TerminalRecord& report);

// What became of one row of a plan that was applied.
struct PlanRowResult {
    enum class Outcome {
        NotFound,        // not listed: skipped
        NothingToChange, // every value is the terminal's own already
        Confirmed,       // its next report shows every value
        NotConfirmed,    // its report after a second write still does not show some value
        NoAnswer,        // it did not answer after a second write
        NotSent,         // the discovery socket is not open
        Stopped,         // the plan was stopped before this row was done
    };
    std::size_t row = 0;
    std::string mac;
    Outcome outcome = Outcome::NotFound;
    bool repeated = false;            // a write or reset went out a second time
    std::vector<PlanChange> notShown; // for NotConfirmed: wanted values and what it reports

    // Found and confirmed, or nothing to do.
    bool ok() const { return outcome == Outcome::Confirmed || outcome == Outcome::NothingToChange; }
};

// "confirmed", "not found; skipped", "not confirmed after a second write: baud 19200 (it
// reports 9600)", ...
std::string describePlanResult(const PlanRowResult& result);

} // namespace terminal_setup
