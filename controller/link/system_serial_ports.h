#pragma once

#include "controller/link/serial_port_access.h"

#include <string>
#include <vector>

namespace controller {

// The machine's serial ports, found with Qt Serial Port's port information (which looks at the
// devices themselves: never call this from a test). Ports that serve as the system console are
// left out: frames sent there would land on the console, and a login may be running on it.
std::vector<SerialPortRecord> systemSerialPorts();

// The name under which `devicePath` is found in `byIdFolder` (the first, in name order, of the
// links there that lead to the same device), else devicePath itself. Such a name stays the same
// when the adapter is unplugged and plugged in again, or another one arrives.
std::string stableNameFor(const std::string& devicePath,
                          const std::string& byIdFolder = "/dev/serial/by-id");

} // namespace controller
