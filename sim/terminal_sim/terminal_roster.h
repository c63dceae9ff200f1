#pragma once

#include "sim/terminal_sim/simulated_terminal.h"

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace sim {

// `count` terminals made up from `seed`; the same seed always makes the same terminals. The first
// five MAC bytes differ between all of them (a reset names its terminal by those), the last MAC
// byte equals the ID as after a reset, and every address lies in ranges reserved for testing.
std::vector<SimulatedTerminal> makeTerminals(int count, std::uint32_t seed);

// Terminals described one per line as key=value words, for example
//   id=7 name=Hall\x31 model=T10 mac=00:1A:2B:3C:4D:07 ip=192.0.2.7 workmode=2
// Keys: header mac ip multicast hostip gateway mask port hostport workmode baud id name model
// addressmode opaque (14 hex digits) sw hw dns, and ignore (fields of a write this terminal
// ignores, as --ignore-field does for all: "ignore=baud,name"). Numbers are decimal or
// 0x-hexadecimal; name and model take \xNN escapes for bytes that are not printable. A key left out
// keeps the value made up from `seed` for that line. Blank lines and lines starting with # are
// skipped. On a bad line, returns nothing and says why in `error`.
std::vector<SimulatedTerminal> readTerminals(std::istream& in, std::uint32_t seed,
                                             std::string& error);

} // namespace sim
