#pragma once

#include "terminal_setup/protocol/network_interface.h"

#include <string>
#include <vector>

namespace terminal_setup {

// The computer's network interfaces as the system reports them now. Reads kernel tables only:
// no name server, no traffic.
std::vector<NetworkInterface> systemNetworkInterfaces();

// The interface of the default route, from the system's routing table (/proc/net/route on
// Linux); empty when there is none or the table cannot be read.
std::string systemDefaultRouteInterface();

} // namespace terminal_setup
