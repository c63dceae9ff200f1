#pragma once

#include <optional>
#include <string>

namespace platform {

// This computer's IPv4 address as dotted text: the first IPv4 address that the host name
// resolves to. Empty optional when the name cannot be had or does not resolve. Resolution goes
// through the system's resolver, so a host name missing from the hosts file may cause a DNS
// query; tests that must stay on loopback inject their own lookup instead.
std::optional<std::string> detectHostAddress();

} // namespace platform
