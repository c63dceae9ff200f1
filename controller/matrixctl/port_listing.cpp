#include "controller/matrixctl/port_listing.h"

#include "controller/protocol/single_line_text.h"
#include "controller/session/crosspoint_file.h"

#include <algorithm>
#include <filesystem>

namespace matrixctl {

using controller::jsonString;

std::vector<PortRow> portRows(const controller::ComPortEntries& entries,
                              std::vector<controller::SerialPortRecord> machine) {
    std::vector<PortRow> rows;
    for (const controller::ComPortEntry& entry : entries) {
        if (entry.path.empty())
            continue;
        if (entry.device) {
            rows.push_back({"COM" + std::to_string(entry.number), entry.device->devicePath,
                            entry.device->stableName, entry.device->description});
            std::erase(machine, *entry.device);
        } else {
            std::error_code error;
            rows.push_back({"COM" + std::to_string(entry.number), entry.path, entry.path, "",
                            std::filesystem::exists(entry.path, error)});
        }
    }
    std::sort(machine.begin(), machine.end(), [](const auto& a, const auto& b) {
        return controller::naturalLess(a.stableName, b.stableName);
    });
    for (const controller::SerialPortRecord& port : machine)
        rows.push_back({"-", port.devicePath, port.stableName, port.description});
    return rows;
}

std::string portListing(const std::vector<PortRow>& rows, bool json) {
    std::string text;
    if (json) {
        text = "[";
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const PortRow& r = rows[i];
            text += (i > 0 ? ", " : "") + std::string("{\"com\": ") + jsonString(r.com) +
                    ", \"path\": " + jsonString(r.path) +
                    ", \"stableName\": " + jsonString(r.stableName) +
                    ", \"description\": " + jsonString(r.description) +
                    ", \"present\": " + (r.present ? "true" : "false") + "}";
        }
        return text + "]\n";
    }
    // A tab or line break inside a field would make more fields or rows.
    const auto field = [](const std::string& value) {
        return value.empty() ? std::string("-") : controller::singleLineText(value);
    };
    for (const PortRow& r : rows)
        text += r.com + "\t" + field(r.path) + "\t" + field(r.stableName) + "\t" +
                (r.present ? field(r.description) : "(not present)") + "\n";
    return text;
}

} // namespace matrixctl
