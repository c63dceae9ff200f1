#pragma once

#include "terminal_setup/protocol/terminal_datagram.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace terminal_setup {

// The fields a configuration plan may set, by the names of the export's columns and in their
// order. Every one but `Id` goes by a configuration write; a new ID goes by a reset.
enum class PlanField { Id, Name, Ip, Mask, Gateway, Dns, Port, Mode, Dhcp, Baud, HostIp, HostPort };

inline constexpr std::array<PlanField, 12> kPlanFields = {
    PlanField::Id,      PlanField::Name, PlanField::Ip,     PlanField::Mask,
    PlanField::Gateway, PlanField::Dns,  PlanField::Port,   PlanField::Mode,
    PlanField::Dhcp,    PlanField::Baud, PlanField::HostIp, PlanField::HostPort};

// "id", "name", "ip", ...: the column of the export.
const char* planFieldName(PlanField field);
// The field of a column name (blanks around it and the case of its letters do not count);
// nothing for a column a plan cannot write.
std::optional<PlanField> planFieldNamed(std::string_view column);

// A wanted value, read from a plan's cell and found valid for its field.
struct PlanValue {
    PlanField field = PlanField::Id;
    std::string shown;      // as the terminal will show it, and as the export writes it
    Ipv4Bytes address{};    // ip, mask, gateway, dns, host_ip
    std::uint32_t number{}; // id, port, host_port; the position in its list for mode and baud
    bool truth = false;     // dhcp
    std::string nameBytes;  // name, in GBK, at most 6 bytes

    bool operator==(const PlanValue&) const = default;
};

// Reads a cell by the rules of the setup pages: addresses as four numbers 0 to 255, ports 0 to
// 65535 and the ID 0 to 255 as unsigned decimal numbers, names in GBK within their 6 bytes, the
// work mode and baud rate as an entry of their list (or the mode by its position), dhcp as
// true/false, yes/no or 1/0. A mask must also be one: its ones before its zeros. Blanks around a
// value do not count (around a name they do). Nothing, with the refusal in `why`, when the cell
// holds no valid value of the field; the refusals of numbers are the setup pages' own prompts.
std::optional<PlanValue> readPlanValue(PlanField field, std::string_view cell, std::string& why);

// The field as `record` shows it, as the export writes it.
std::string shownValue(PlanField field, const TerminalRecord& record);

// Whether `cell` says what `shown` says: equal once blanks at the ends are dropped and runs of
// blanks count as one (a spreadsheet may drop the blank at the end of "UDP ").
bool sameShownValue(std::string_view cell, std::string_view shown);

// Puts a value into the values of a configuration write; an ID is no part of one and is ignored.
void applyPlanValue(const PlanValue& value, TerminalEdits& edits);

// "00:1A:2B:3C:4D:5E", "001A-2B3C-4D5E", "001A－2B3C－4D5E" (as Quellin shows it) or twelve hex
// digits alone; nothing for anything else.
std::optional<MacBytes> parsePlanMac(std::string_view text);

} // namespace terminal_setup
