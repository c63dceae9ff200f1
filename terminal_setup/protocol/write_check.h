#pragma once

#include "terminal_setup/protocol/terminal_datagram.h"

#include <string>
#include <vector>

namespace terminal_setup {

// Terminals acknowledge nothing, so whether a configuration write or a reset took effect shows
// only in the terminal's next report. These functions find that report among those of a later
// scan and tell which written values it shows. Plain code: no socket, no widget.

// One written value and what the terminal reports for it, as Quellin shows both.
struct CheckedValue {
    std::string field; // "Baud", "IP", "Device name", ...
    std::string written;
    std::string reported;
    bool operator==(const CheckedValue&) const = default;
};

struct WriteCheck {
    bool reset = false;    // the datagram was a reset rather than a configuration write
    bool answered = false; // a report of the terminal came in
    // Values the write changed and the report shows.
    std::vector<CheckedValue> shown;
    // Written values the report does not show (changed or not).
    std::vector<CheckedValue> notShown;
    std::string mac; // the MAC the terminal answered with, or the one looked for
};

// Whether `report` is the terminal that `sent` (a write or reset built from `before`) was meant
// for. After a write: the same MAC. After a reset, which changes the last MAC byte to the new ID:
// the first five MAC bytes with either the new last byte (the reset took) or the old one (it did
// not).
bool isWrittenTerminal(const TerminalDatagram& sent, const TerminalRecord& before,
                       const TerminalRecord& report);

// What `report` shows of `sent`; `report` null when the terminal did not answer.
WriteCheck checkWrite(const TerminalDatagram& sent, const TerminalRecord& before,
                      const TerminalRecord* report);

// The result in a few sentences for the installer, for example
//   The terminal 001A－2B3C－4D5E answered. It shows: IP 192.0.2.77. It does not show: Baud 19200
//   (it reports 9600).
std::string describeWriteCheck(const WriteCheck& check);

} // namespace terminal_setup
