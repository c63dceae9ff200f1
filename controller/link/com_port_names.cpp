#include "controller/link/com_port_names.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>
#include <vector>

namespace controller {
namespace {

constexpr std::string_view kDevFolder = "/dev/";

std::string resolved(const std::string& path) {
    std::error_code error;
    const auto real = std::filesystem::canonical(path, error);
    return error ? std::string() : real.string();
}

bool namesDevice(const std::string& path, const SerialPortRecord& port) {
    if (path == port.devicePath || path == port.stableName)
        return true;
    const std::string real = resolved(path);
    return !real.empty() && real == resolved(port.devicePath);
}

bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

} // namespace

bool naturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const std::size_t si = i;
            const std::size_t sj = j;
            while (i < a.size() && isDigit(a[i]))
                ++i;
            while (j < b.size() && isDigit(b[j]))
                ++j;
            // Leading zeros aside, the longer run is the larger number.
            std::string x = a.substr(si, i - si);
            std::string y = b.substr(sj, j - sj);
            x.erase(0, std::min(x.find_first_not_of('0'), x.size()));
            y.erase(0, std::min(y.find_first_not_of('0'), y.size()));
            if (x.size() != y.size())
                return x.size() < y.size();
            if (x != y)
                return x < y;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

ComPortEntries mapComPorts(const SerialPortEnumerator& enumerate, const PortPathLookup& keyOf) {
    ComPortEntries entries;
    bool keyMissing = false;
    for (int n = 1; n <= kComPortCount; ++n) {
        ComPortEntry& entry = entries[static_cast<std::size_t>(n - 1)];
        entry.number = n;
        entry.path = keyOf ? keyOf(n) : std::string();
        entry.fromSettings = !entry.path.empty();
        keyMissing = keyMissing || !entry.fromSettings;
    }
    if (!keyMissing || !enumerate)
        return entries;

    std::vector<SerialPortRecord> ports = enumerate();
    std::stable_sort(ports.begin(), ports.end(), [](const auto& a, const auto& b) {
        return naturalLess(a.stableName, b.stableName);
    });
    std::vector<bool> taken(ports.size(), false);
    for (ComPortEntry& entry : entries) {
        if (!entry.fromSettings)
            continue;
        for (std::size_t k = 0; k < ports.size(); ++k) {
            if (namesDevice(entry.path, ports[k])) {
                entry.device = ports[k];
                taken[k] = true;
                break;
            }
        }
    }
    std::size_t next = 0;
    for (ComPortEntry& entry : entries) {
        if (entry.fromSettings)
            continue;
        while (next < ports.size() && taken[next])
            ++next;
        if (next == ports.size())
            break;
        entry.path =
            ports[next].stableName.empty() ? ports[next].devicePath : ports[next].stableName;
        entry.device = ports[next++];
    }
    return entries;
}

std::string comPortEntryText(const ComPortEntry& entry) {
    const std::string name = "COM" + std::to_string(entry.number);
    if (entry.path.empty())
        return name + " (no device)";
    std::string shown = entry.device ? entry.device->devicePath : resolved(entry.path);
    if (shown.empty())
        shown = "not present";
    else if (shown.starts_with(kDevFolder))
        shown.erase(0, kDevFolder.size()); // the tooltip has the whole path
    return name + " (" + shown + ")";
}

std::string comPortEntryToolTip(const ComPortEntry& entry) {
    if (entry.path.empty()) {
        return "No serial device was found for this entry.\n"
               "Plug in the adapter and open this list again,\n"
               "or name the device under [Ports] in Setting.ini.";
    }
    std::string tip = "Device: " + entry.path;
    const std::string real = resolved(entry.path);
    if (real.empty())
        tip += "\nNot present now";
    else if (real != entry.path)
        tip += "\nNow at: " + real;
    if (entry.device) {
        const SerialPortRecord& d = *entry.device;
        const std::pair<const char*, const std::string*> details[] = {
            {"Description: ", &d.description},
            {"Manufacturer: ", &d.manufacturer},
            {"Serial number: ", &d.serialNumber},
            {"USB id: ", &d.usbId}};
        for (const auto& [label, value] : details) {
            if (!value->empty())
                tip += "\n" + std::string(label) + *value;
        }
    }
    tip += entry.fromSettings ? "\nNamed under [Ports] in Setting.ini" : "\nFound on this computer";
    return tip;
}

} // namespace controller
