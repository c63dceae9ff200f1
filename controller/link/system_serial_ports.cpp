#include "controller/link/system_serial_ports.h"

#include <QSerialPortInfo>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace controller {
namespace {

namespace fs = std::filesystem;

// Names of the terminals the kernel uses as its console ("ttyS0").
std::vector<std::string> consoleNames() {
    std::ifstream file("/sys/class/tty/console/active");
    std::vector<std::string> names;
    std::string name;
    while (file >> name)
        names.push_back(name);
    return names;
}

std::string hex4(quint16 value) {
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toStdString();
}

} // namespace

std::string stableNameFor(const std::string& devicePath, const std::string& byIdFolder) {
    std::error_code error;
    const fs::path device = fs::canonical(devicePath, error);
    if (error)
        return devicePath;
    std::vector<std::string> matches;
    for (fs::directory_iterator it(byIdFolder, error), end; !error && it != end;
         it.increment(error)) {
        std::error_code ignored;
        if (fs::canonical(it->path(), ignored) == device && !ignored)
            matches.push_back(it->path().string());
    }
    if (matches.empty())
        return devicePath;
    return *std::min_element(matches.begin(), matches.end());
}

std::vector<SerialPortRecord> systemSerialPorts() {
    const std::vector<std::string> consoles = consoleNames();
    std::vector<SerialPortRecord> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (std::find(consoles.begin(), consoles.end(), info.portName().toStdString()) !=
            consoles.end())
            continue;
        SerialPortRecord record;
        record.devicePath = info.systemLocation().toStdString();
        record.stableName = stableNameFor(record.devicePath);
        record.description = info.description().toStdString();
        record.manufacturer = info.manufacturer().toStdString();
        record.serialNumber = info.serialNumber().toStdString();
        if (info.hasVendorIdentifier() && info.hasProductIdentifier())
            record.usbId = hex4(info.vendorIdentifier()) + ":" + hex4(info.productIdentifier());
        ports.push_back(std::move(record));
    }
    return ports;
}

} // namespace controller
