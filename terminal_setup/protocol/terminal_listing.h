#pragma once

#include "terminal_setup/protocol/network_interface.h"
#include "terminal_setup/protocol/terminal_datagram.h"
#include "terminal_setup/protocol/terminal_table.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace terminal_setup {

// The terminals as the installer's records and warnings see them, shared by the list window and
// the console scanner: each report with the card it answered on, and what is wrong with it
// compared with the others. Plain code over copies: no socket, no widget.

struct ListedTerminal {
    TerminalRecord record;
    std::optional<NetworkInterface> card; // the interface the report came in on, when known
};

// The table's rows with their cards, looked up by interface index in `interfaces`.
std::vector<ListedTerminal> listTerminals(const TerminalTable& table,
                                          const std::vector<NetworkInterface>& interfaces);

// The rows with every report that repeats an earlier one byte for byte, on the same card, left
// out: a terminal that answered twice (two scans, or by group and by unicast) is one terminal.
std::vector<ListedTerminal> distinctTerminals(const std::vector<ListedTerminal>& rows);

// Another row that shares an address, an ID or a MAC with a row.
struct TerminalClash {
    std::size_t row = 0; // the other row
    bool sameIp = false;
    bool sameId = false;
    bool sameMac = false;
    bool operator==(const TerminalClash&) const = default;
};

struct TerminalMarks {
    std::vector<TerminalClash> clashes; // in row order
    // The terminal's IP lies outside every network of the card it answered on, so this PC
    // cannot reach it there. False when the card is not known.
    bool unreachable = false;

    bool conflicting() const { return !clashes.empty(); }
    bool any() const { return conflicting() || unreachable; }
    bool operator==(const TerminalMarks&) const = default;
};

// The marks of every row, in row order. Rows whose reports are identical byte for byte are the
// same terminal heard twice, and do not clash with each other.
std::vector<TerminalMarks> markTerminals(const std::vector<ListedTerminal>& rows);

// Whether the dotted IPv4 address `ip` lies in one of the card's networks.
bool inNetworkOf(const std::string& ip, const NetworkInterface& card);

// The marks of row `row` in words, one sentence each, other rows named by their number as the
// list shows it (from 1), their ID and MAC, the first few of them only:
//   Same IP and ID as row 3 (ID 5, 001A－2B3C－4D5F).
//   And 12 more rows with the same IP, ID or MAC.
//   Not reachable from this PC: 198.18.0.2 is outside 127.0.0.1/8, the network of lo.
// Empty when the row has no mark.
inline constexpr std::size_t kNamedClashes = 3;
std::vector<std::string> describeMarks(const std::vector<ListedTerminal>& rows, std::size_t row,
                                       const TerminalMarks& marks);

// The MACs of the other rows a row clashes with, as the list shows them, each once.
std::vector<std::string> clashingMacs(const std::vector<ListedTerminal>& rows,
                                      const TerminalMarks& marks);

} // namespace terminal_setup
