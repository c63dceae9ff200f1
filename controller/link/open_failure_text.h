#pragma once

#include "platform/serial_port.h"

#include <string>

namespace controller {

// The line, added to the open-failure message, that names the port and device and says why it did
// not open in words an operator can act on (for a refused permission, two more lines say what to
// do). `devicePath` "" means the entry stands for no device; a port named by its path (portName
// equal to devicePath) is named once.
std::string openFailureReason(const std::string& portName, const std::string& devicePath,
                              const platform::SerialOpenFailure& failure);

} // namespace controller
