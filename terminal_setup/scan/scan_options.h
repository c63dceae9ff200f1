#pragma once

#include "terminal_setup/protocol/terminal_discovery.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace terminal_setup {

// The command line of quellin-scan.
struct ScanOptions {
    enum class Output { Table, Json, Csv };

    std::string interfaceWanted;              // --interface: a name or an IPv4 address
    std::chrono::milliseconds duration{3000}; // --seconds
    std::string testAddress;                  // --test: ask this address alone, as "Test" does
    std::optional<unsigned> hostPort;         // --host-port: P of the Test
    Output output = Output::Table;            // --json, --csv
    std::uint16_t port = kDiscoveryPort;      // --port: the discovery port
    bool help = false;                        // --help
};

inline constexpr const char* kScanUsage =
    "usage: quellin-scan [--interface ADDRESS|NAME] [--seconds S] [--test ADDRESS [--host-port "
    "P]]\n"
    "                    [--json | --csv] [--port PORT]\n"
    "Finds serial-to-Ethernet terminals as Quellin's Scan (or Test) does and prints each once:\n"
    "a table of ID, name, model, IP, multicast IP and MAC, or every field as JSON or CSV.\n"
    "  --interface  the network interface to scan on, by name or address (default: the one\n"
    "               Quellin used last, else that of the default route)\n"
    "  --seconds    how long to collect answers (default 3)\n"
    "  --test       ask this one address, from local port P to port P - 1\n"
    "  --host-port  P for --test (default: Quellin's Host Port, else 8866)\n"
    "  --port       the discovery port (default 24069)\n"
    "Exit status: 0 when a terminal answered, 1 when none did, 2 for a usage or socket error.\n";

// Reads the arguments (without the program name). On a mistake returns nothing and says what in
// `error`.
std::optional<ScanOptions> parseScanOptions(const std::vector<std::string>& arguments,
                                            std::string& error);

} // namespace terminal_setup
