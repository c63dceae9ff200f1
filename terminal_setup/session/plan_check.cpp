#include "terminal_setup/session/plan_check.h"

#include "terminal_setup/protocol/terminal_format.h"

#include <algorithm>
#include <map>

namespace terminal_setup {

namespace {

std::uint64_t macKey(const MacBytes& mac) {
    std::uint64_t key = 0;
    for (std::uint8_t byte : mac)
        key = (key << 8) | byte;
    return key;
}

bool sameFirstFive(const MacBytes& a, const MacBytes& b) {
    return std::equal(a.begin(), a.begin() + 5, b.begin());
}

// A terminal as it will be once the plan has gone out: a row of the plan (row > 0) or a listed
// terminal the plan leaves alone (row 0).
struct Outcome {
    std::size_t row = 0;
    MacBytes mac{};
    bool listed = false;
    bool fixedAddress = true;
    std::optional<Ipv4Bytes> ip;
    std::optional<std::uint8_t> id;
    bool setsIp = false;
    bool setsId = false;
};

const PlanValue* valueOf(const PlannedTerminal& terminal, PlanField field) {
    const auto found = std::find_if(terminal.values.begin(), terminal.values.end(),
                                    [field](const PlanValue& v) { return v.field == field; });
    return found == terminal.values.end() ? nullptr : &*found;
}

Outcome outcomeOf(const PlannedTerminal& terminal) {
    Outcome outcome;
    outcome.row = terminal.row;
    outcome.mac = terminal.mac;
    outcome.listed = terminal.found.has_value();
    const TerminalRecord* now = terminal.found ? &*terminal.found : nullptr;
    const PlanValue* dhcp = valueOf(terminal, PlanField::Dhcp);
    const PlanValue* ip = valueOf(terminal, PlanField::Ip);
    const PlanValue* id = valueOf(terminal, PlanField::Id);
    outcome.fixedAddress = dhcp ? !dhcp->truth : now == nullptr || !now->usesDhcp();
    if (ip)
        outcome.ip = ip->address;
    else if (now)
        outcome.ip = now->ipAddress();
    // Turning DHCP off gives the terminal the address it reports now, as a fixed one.
    outcome.setsIp = ip != nullptr || (dhcp && !dhcp->truth);
    if (id)
        outcome.id = static_cast<std::uint8_t>(id->number);
    else if (now)
        outcome.id = now->id();
    outcome.setsId = id != nullptr;
    return outcome;
}

std::string nameOf(const Outcome& other) {
    if (other.row > 0)
        return "row " + std::to_string(other.row);
    return "the listed terminal " + formatMac(other.mac);
}

std::string joinedNames(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

// The clashes of the rows that set an IP or an ID, one fault per row and field.
void addClashes(const std::vector<Outcome>& outcomes, std::vector<PlanFault>& faults) {
    for (const Outcome& a : outcomes) {
        if (a.row == 0)
            continue;
        std::vector<std::string> sameIp;
        std::vector<std::string> sameId;
        std::vector<std::string> sameMacStart;
        for (const Outcome& b : outcomes) {
            // The same terminal twice is a fault of its own (the MAC twice).
            if (&a == &b || a.mac == b.mac)
                continue;
            if (a.setsIp && a.fixedAddress && b.fixedAddress && a.ip && a.ip == b.ip)
                sameIp.push_back(nameOf(b));
            if (a.setsId && a.id && a.id == b.id)
                sameId.push_back(nameOf(b));
            if (a.setsId && b.listed && sameFirstFive(a.mac, b.mac))
                sameMacStart.push_back(formatMac(b.mac));
        }
        const std::string ip = a.ip ? formatIpv4(*a.ip) : std::string();
        const std::string id = a.id ? formatId(*a.id) : std::string();
        if (!sameIp.empty())
            faults.push_back({a.row, "ip", ip, "also the IP of " + joinedNames(sameIp)});
        if (!sameId.empty())
            faults.push_back({a.row, "id", id, "also the ID of " + joinedNames(sameId)});
        if (!sameMacStart.empty()) {
            faults.push_back({a.row, "id", id,
                              "a reset would also renumber " + joinedNames(sameMacStart) +
                                  " (the same first five MAC bytes)"});
        }
    }
}

} // namespace

std::string describePlanChange(const PlanChange& change) {
    const std::string name = planFieldName(change.field);
    if (change.from.empty())
        return name + " → " + change.to;
    return name + " " + change.from + " → " + change.to;
}

bool PlannedTerminal::writes() const {
    return std::any_of(values.begin(), values.end(),
                       [](const PlanValue& v) { return v.field != PlanField::Id; });
}

std::optional<std::uint8_t> PlannedTerminal::newId() const {
    const PlanValue* id = valueOf(*this, PlanField::Id);
    if (!id)
        return std::nullopt;
    return static_cast<std::uint8_t>(id->number);
}

std::size_t CheckedPlan::notFound() const {
    return static_cast<std::size_t>(std::count_if(
        terminals.begin(), terminals.end(), [](const PlannedTerminal& t) { return !t.found; }));
}

CheckedPlan checkPlan(const Plan& plan, const std::vector<ListedTerminal>& listed) {
    CheckedPlan checked;
    checked.faults = plan.faults;
    std::map<std::uint64_t, TerminalRecord> latest;
    for (const ListedTerminal& terminal : listed)
        latest.insert_or_assign(macKey(terminal.record.mac()), terminal.record);

    std::map<std::uint64_t, std::size_t> rowOfMac;
    for (const PlanRow& row : plan.rows) {
        const std::optional<MacBytes> mac = parsePlanMac(row.macText);
        if (!mac) {
            const bool blank = row.macText.find_first_not_of(" \t") == std::string::npos;
            checked.faults.push_back(
                {row.row, "mac", row.macText,
                 blank ? "blank: the row names no terminal" : "not a MAC address"});
        } else if (const auto earlier = rowOfMac.find(macKey(*mac)); earlier != rowOfMac.end()) {
            checked.faults.push_back({row.row, "mac", formatMac(*mac),
                                      "also in row " + std::to_string(earlier->second)});
        } else {
            rowOfMac.emplace(macKey(*mac), row.row);
        }

        PlannedTerminal terminal;
        terminal.row = row.row;
        terminal.mac = mac.value_or(MacBytes{});
        if (const auto found = mac ? latest.find(macKey(*mac)) : latest.end();
            found != latest.end())
            terminal.found = found->second;
        for (const PlanCell& cell : row.cells) {
            const std::string now =
                terminal.found ? shownValue(cell.field, *terminal.found) : std::string();
            if (terminal.found && sameShownValue(cell.text, now))
                continue;
            std::string why;
            const std::optional<PlanValue> value = readPlanValue(cell.field, cell.text, why);
            if (!value) {
                checked.faults.push_back({row.row, planFieldName(cell.field), cell.text, why});
                continue;
            }
            if (terminal.found && value->shown == now)
                continue;
            terminal.values.push_back(*value);
            terminal.changes.push_back({cell.field, now, value->shown});
        }
        checked.terminals.push_back(std::move(terminal));
    }

    std::vector<Outcome> outcomes;
    for (const PlannedTerminal& terminal : checked.terminals)
        outcomes.push_back(outcomeOf(terminal));
    for (const auto& [key, record] : latest) {
        if (rowOfMac.contains(key))
            continue;
        Outcome other;
        other.mac = record.mac();
        other.listed = true;
        other.fixedAddress = !record.usesDhcp();
        other.ip = record.ipAddress();
        other.id = record.id();
        outcomes.push_back(other);
    }
    addClashes(outcomes, checked.faults);
    std::stable_sort(checked.faults.begin(), checked.faults.end(),
                     [](const PlanFault& a, const PlanFault& b) { return a.row < b.row; });
    return checked;
}

TerminalDatagram planWrite(const PlannedTerminal& terminal, const TerminalRecord& latest) {
    TerminalEdits edits = editsFromRecord(latest);
    for (const PlanValue& value : terminal.values)
        applyPlanValue(value, edits);
    return configurationWrite(latest, edits);
}

std::vector<PlanChange> planValuesNotShown(const PlannedTerminal& terminal, bool reset,
                                           const TerminalRecord& report) {
    std::vector<PlanChange> notShown;
    for (const PlanValue& value : terminal.values) {
        if ((value.field == PlanField::Id) != reset)
            continue;
        const std::string shown = shownValue(value.field, report);
        if (shown != value.shown)
            notShown.push_back({value.field, shown, value.shown});
    }
    return notShown;
}

std::string describePlanResult(const PlanRowResult& result) {
    using Outcome = PlanRowResult::Outcome;
    switch (result.outcome) {
    case Outcome::NotFound:
        return "not found; skipped";
    case Outcome::NothingToChange:
        return "nothing to change";
    case Outcome::Confirmed:
        return result.repeated ? "confirmed after a second write" : "confirmed";
    case Outcome::NotConfirmed: {
        std::string text = "not confirmed after a second write:";
        for (std::size_t i = 0; i < result.notShown.size(); ++i) {
            const PlanChange& value = result.notShown[i];
            text += std::string(i == 0 ? " " : ", ") + planFieldName(value.field) + " " + value.to +
                    " (it reports " + value.from + ")";
        }
        return text;
    }
    case Outcome::NoAnswer:
        return "did not answer after a second write";
    case Outcome::NotSent:
        return "not sent: the discovery socket is not open";
    case Outcome::Stopped:
        return "not applied: the plan was stopped";
    }
    return {};
}

} // namespace terminal_setup
