#pragma once

#include <optional>
#include <string>

namespace terminal_setup {

// This computer's name as the system holds it (gethostname). Never looked up: the addresses
// come from the interfaces, so start-up never waits for a name server, and a name that the
// hosts file maps to a loopback address cannot pull the scan onto loopback. Nothing when the
// system has no name.
std::optional<std::string> systemHostName();

} // namespace terminal_setup
