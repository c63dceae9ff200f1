#pragma once

#include "terminal_setup/session/discovery_session.h"

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
    std::string planPath;                     // --apply: the configuration plan to apply
    bool dryRun = false;                      // --dry-run: show the plan's changes, send nothing
    bool help = false;                        // --help
};

inline constexpr const char* kScanUsage =
    "usage: quellin-scan [--interface ADDRESS|NAME] [--seconds S] [--test ADDRESS [--host-port "
    "P]]\n"
    "                    [--json | --csv] [--port PORT]\n"
    "       quellin-scan --apply PLAN [--dry-run] [--interface ADDRESS|NAME] [--seconds S]\n"
    "                    [--port PORT]\n"
    "Finds serial-to-Ethernet terminals as Quellin's Scan (or Test) does and prints each once:\n"
    "a table of ID, name, model, IP, multicast IP and MAC, or every field as JSON or CSV.\n"
    "With --apply, sets the terminals of a plan (a CSV file with the columns of --csv) to the\n"
    "values it gives, and prints each row's changes and result.\n"
    "  --interface  the network interface to scan on, by name or address (default: the one\n"
    "               Quellin used last, else that of the default route)\n"
    "  --seconds    how long to collect answers (default 3)\n"
    "  --test       ask this one address, from local port P to port P - 1\n"
    "  --host-port  P for --test (default: Quellin's Host Port, else 8866)\n"
    "  --port       the discovery port (default 24069)\n"
    "  --apply      the plan to apply, after a scan of --seconds\n"
    "  --dry-run    print what the plan would change and send nothing\n"
    "Exit status: 0 when a terminal answered, 1 when none did, 2 for a usage or socket error.\n"
    "With --apply: 0 when every row was found and confirmed, 1 when some row was not found or\n"
    "not confirmed, 2 when the plan failed its checks (nothing sent) or for a usage error.\n";

// Reads the arguments (without the program name). On a mistake returns nothing and says what in
// `error`.
std::optional<ScanOptions> parseScanOptions(const std::vector<std::string>& arguments,
                                            std::string& error);

} // namespace terminal_setup
