// The session's writes: the check of a write by the scan that follows it, and plans, which are
// writes and resets checked one terminal after another.

#include "terminal_setup/protocol/terminal_format.h"
#include "terminal_setup/session/discovery_session.h"

namespace terminal_setup {

// --- the check of a write --------------------------------------------------------------------

bool DiscoverySession::sendChecked(const TerminalDatagram& datagram, const TerminalRecord& before) {
    if (m_plan)
        return false;
    return sendForCheck(datagram, before, false);
}

bool DiscoverySession::sendForCheck(const TerminalDatagram& datagram, const TerminalRecord& before,
                                    bool plan) {
    if (!sendToGroup(datagram)) {
        m_pendingCheck.reset();
        m_writeCheckTimer.stop();
        return false;
    }
    m_pendingCheck = PendingCheck{datagram, before, false, plan};
    m_writeCheckTimer.start();
    return true;
}

void DiscoverySession::tickWriteCheck() {
    m_writeCheckTimer.stop();
    if (!m_pendingCheck || m_pendingCheck->scanned)
        return;
    // Reports that were waiting before the check must not pass for the answer to it.
    pollGroupSocket();
    if (!m_pendingCheck || m_pendingCheck->scanned)
        return;
    // Before the scan: reports that a listener's nested event loop lets through must find the
    // check running.
    m_pendingCheck->scanned = true;
    const bool forPlan = m_pendingCheck->forPlan;
    if (scan())
        return;
    m_pendingCheck.reset();
    if (!forPlan) {
        m_listener.writeCheckAbandoned();
    } else if (m_plan) {
        finishPlanRow(PlanRowResult::Outcome::NotSent);
        nextPlanRow();
    }
}

void DiscoverySession::finishCheck(const TerminalRecord* report) {
    if (!m_pendingCheck)
        return;
    const PendingCheck check = *m_pendingCheck;
    m_pendingCheck.reset();
    if (check.forPlan)
        planStepChecked(report);
    else
        m_listener.writeChecked(checkWrite(check.sent, check.before, report));
}

// --- plans -----------------------------------------------------------------------------------

bool DiscoverySession::applyPlan(const CheckedPlan& plan) {
    if (!plan.ok() || m_plan)
        return false;
    m_pendingCheck.reset();
    m_writeCheckTimer.stop();
    m_plan = std::make_unique<PlanRun>();
    m_plan->plan = plan;
    nextPlanRow();
    return true;
}

void DiscoverySession::stopPlan() {
    if (!m_plan)
        return;
    const std::unique_ptr<PlanRun> run = std::move(m_plan);
    if (m_pendingCheck && m_pendingCheck->forPlan) {
        m_pendingCheck.reset();
        m_writeCheckTimer.stop();
    }
    for (std::size_t i = run->index; i < run->plan.terminals.size(); ++i) {
        const PlannedTerminal& terminal = run->plan.terminals[i];
        m_listener.planRowFinished(
            {terminal.row, formatMac(terminal.mac), PlanRowResult::Outcome::Stopped, false, {}});
    }
    m_listener.planFinished();
}

void DiscoverySession::nextPlanRow() {
    using Outcome = PlanRowResult::Outcome;
    // The listener hears each row as it ends and may stop the plan from there.
    while (m_plan && m_plan->index < m_plan->plan.terminals.size()) {
        const PlannedTerminal& terminal = m_plan->plan.terminals[m_plan->index];
        if (!terminal.found) {
            finishPlanRow(Outcome::NotFound);
            continue;
        }
        if (terminal.values.empty()) {
            finishPlanRow(Outcome::NothingToChange);
            continue;
        }
        m_plan->latest = terminal.found;
        m_plan->reset = !terminal.writes();
        m_plan->second = false;
        m_plan->repeated = false;
        if (sendPlanStep())
            return;
        finishPlanRow(Outcome::NotSent);
    }
    if (m_plan) {
        m_plan.reset();
        m_listener.planFinished();
    }
}

bool DiscoverySession::sendPlanStep() {
    const PlannedTerminal& terminal = m_plan->plan.terminals[m_plan->index];
    const TerminalRecord latest = *m_plan->latest;
    const TerminalDatagram datagram =
        m_plan->reset ? resetDatagram(latest, *terminal.newId()) : planWrite(terminal, latest);
    return sendForCheck(datagram, latest, true);
}

void DiscoverySession::planStepChecked(const TerminalRecord* report) {
    using Outcome = PlanRowResult::Outcome;
    if (!m_plan)
        return;
    PlanRun& run = *m_plan;
    const PlannedTerminal& terminal = run.plan.terminals[run.index];
    if (report)
        run.latest = *report;
    std::vector<PlanChange> missing;
    if (report)
        missing = planValuesNotShown(terminal, run.reset, *report);

    bool sent = false;
    if (report && missing.empty()) {
        if (run.reset || !terminal.newId()) {
            finishPlanRow(Outcome::Confirmed);
            nextPlanRow();
            return;
        }
        // The write took; the new ID follows by a reset built from the report that shows it.
        run.reset = true;
        run.second = false;
        sent = sendPlanStep();
    } else if (!run.second) {
        run.second = true;
        run.repeated = true;
        sent = sendPlanStep();
    } else {
        finishPlanRow(report ? Outcome::NotConfirmed : Outcome::NoAnswer, std::move(missing));
        nextPlanRow();
        return;
    }
    if (!sent) {
        finishPlanRow(Outcome::NotSent);
        nextPlanRow();
    }
}

void DiscoverySession::finishPlanRow(PlanRowResult::Outcome outcome,
                                     std::vector<PlanChange> notShown) {
    const PlannedTerminal& terminal = m_plan->plan.terminals[m_plan->index];
    const PlanRowResult result{terminal.row, formatMac(terminal.mac), outcome, m_plan->repeated,
                               std::move(notShown)};
    ++m_plan->index;
    m_plan->repeated = false;
    m_listener.planRowFinished(result);
}

} // namespace terminal_setup
