#pragma once

#include "platform/serial_port.h"

#include <functional>
#include <string>
#include <vector>

namespace controller {

// One serial port of the machine, as port enumeration describes it.
struct SerialPortRecord {
    std::string devicePath;   // "/dev/ttyUSB0"
    std::string stableName;   // its /dev/serial/by-id/ link when it has one, else devicePath
    std::string description;  // "FT232R USB UART"; may be empty, as the next three
    std::string manufacturer; // "FTDI"
    std::string serialNumber; // "A50285BI"
    std::string usbId;        // "0403:6001"
    bool operator==(const SerialPortRecord&) const = default;
};

// The machine's serial ports, in any order.
using SerialPortEnumerator = std::function<std::vector<SerialPortRecord>()>;

// How the main window reaches serial ports: which ports the machine has, and how one is opened
// (an empty factory opens real devices). The program passes the system's; tests pass their own
// list and never enumerate the machine's devices.
struct SerialPortAccess {
    SerialPortEnumerator enumerate;
    platform::SerialPortFactory open;
};

} // namespace controller
