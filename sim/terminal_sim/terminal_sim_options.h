#pragma once

#include "sim/terminal_sim/simulated_terminal.h"

#include <cstdint>
#include <optional>
#include <string>

namespace sim {

struct TerminalSimOptions {
    int count = 1;
    std::uint32_t seed = 1;
    std::string fromFile; // when set, the terminals come from this file
    std::string group = "224.0.0.41";
    std::uint16_t port = 24069; // the discovery port; tests pick their own
    std::uint16_t testPort = 0; // 0: no unicast scan socket
    bool unicastReply = false;  // answer a group scan to its sender instead of the group
    SimulatedTerminal::IgnoredFields ignoredFields; // taken from no write (or reset, for "id")
    int dropWrites = 0; // configuration writes each terminal drops whole before it takes one
    bool help = false;
};

inline constexpr const char* kTerminalSimUsage =
    "usage: terminal-sim [--count N] [--seed S] [--from FILE] [--group ADDRESS] [--port PORT]\n"
    "                    [--test-port PORT] [--unicast-reply] [--ignore-field FIELD ...]\n"
    "                    [--drop-writes N]\n"
    "Simulated serial-to-Ethernet terminals that answer discovery scans, configuration writes\n"
    "and resets. Runs only inside a private network namespace. FIELD: ip mask gateway dns port\n"
    "mode dhcp baud host_ip host_port name (of a write) or id (a reset); repeat for more.\n"
    "--drop-writes: each terminal ignores its first N configuration writes whole.\n";

// Reads the command line; on a mistake returns nothing and says what in `error`.
std::optional<TerminalSimOptions> parseTerminalSimOptions(int argc, const char* const* argv,
                                                          std::string& error);

} // namespace sim
