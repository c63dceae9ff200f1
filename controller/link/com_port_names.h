#pragma once

#include "controller/link/serial_port_access.h"

#include <array>
#include <functional>
#include <optional>
#include <string>

namespace controller {

inline constexpr int kComPortCount = 9;

// What the entry "COMn" of the COM list stands for.
struct ComPortEntry {
    int number = 0;                         // n, 1 to 9
    std::string path;                       // the device to open; "" when the entry stands for none
    bool fromSettings = false;              // named by key "COMn" of section "Ports"
    std::optional<SerialPortRecord> device; // the machine's port behind it, when known
};

using ComPortEntries = std::array<ComPortEntry, kComPortCount>;

// The device path the settings name for COM entry n (key "COMn" of section "Ports"); empty when
// they name none.
using PortPathLookup = std::function<std::string(int n)>;

// The nine entries. An entry whose settings name a path stands for that path. The other entries
// take, in turn, the machine's ports that no key names, in the order of their stable names
// (numbers within names compared by value: ttyS2 before ttyS10); entries left over stand for no
// device. `enumerate` is called only when some key is missing; either may be empty.
ComPortEntries mapComPorts(const SerialPortEnumerator& enumerate, const PortPathLookup& keyOf);

// "COM1 (ttyUSB0)": the entry and the device it stands for (a device outside /dev with its whole
// path), "COM1 (not present)" when its path leads nowhere, "COM1 (no device)" when it has none.
std::string comPortEntryText(const ComPortEntry& entry);
// Lines for the entry's tooltip: the device, its stable name, description, manufacturer,
// serial number and USB id where known, and where the entry's device came from.
std::string comPortEntryToolTip(const ComPortEntry& entry);

// Compares names with runs of digits taken as numbers.
bool naturalLess(const std::string& a, const std::string& b);

} // namespace controller
