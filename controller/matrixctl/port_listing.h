#pragma once

#include "controller/link/com_port_names.h"
#include "controller/link/serial_port_access.h"

#include <string>
#include <vector>

namespace matrixctl {

// One serial device as `ports` lists it.
struct PortRow {
    std::string com; // the COM entry that stands for it as Brisvane maps them, or "-"
    std::string path;
    std::string stableName;
    std::string description;
    bool present = true; // false for a path named in the settings that leads nowhere now
    bool operator==(const PortRow&) const = default;
};

// Every COM entry that stands for a device, in entry order, then the machine's ports that no
// entry reaches, in the order of their stable names.
std::vector<PortRow> portRows(const controller::ComPortEntries& entries,
                              std::vector<controller::SerialPortRecord> machine);

// One line per row, the four fields separated by tabs (an empty field as "-", the description
// of a device that is not present as "(not present)"); with `json`, a JSON list of objects with
// the keys com, path, stableName, description and present.
std::string portListing(const std::vector<PortRow>& rows, bool json);

} // namespace matrixctl
