#pragma once

#include "terminal_setup/protocol/network_interface.h"
#include "terminal_setup/protocol/terminal_listing.h"
#include "terminal_setup/scan/scan_options.h"

#include <optional>
#include <string>
#include <vector>

namespace terminal_setup {

// The interface to scan on: the one named `wanted` or holding it as an address; with nothing
// wanted, the one Quellin would start on (`remembered` when usable, else the default route's,
// else the first usable). Null, with the reason in `error`, when there is none.
const NetworkInterface* scanInterface(const std::vector<NetworkInterface>& all,
                                      const std::string& wanted, const std::string& remembered,
                                      const std::string& defaultRoute, std::string& error);

struct ScanRun {
    std::vector<ListedTerminal> terminals; // every terminal once, in order of arrival
    std::optional<std::string> error;      // why nothing could be asked
};

// Multicasts a scan request on `card` (or, with a test address, sends it from local port
// `hostPort` to port hostPort - 1 of that address) and collects the answers for the options'
// duration, polling every 10 ms on this thread. `all` is the computer's interfaces, which tell
// the card each answer came in on.
ScanRun runScan(const ScanOptions& options, const std::vector<NetworkInterface>& all,
                const NetworkInterface* card, unsigned hostPort);

} // namespace terminal_setup
