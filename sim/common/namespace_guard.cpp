#include "sim/common/namespace_guard.h"

#include <fstream>
#include <sstream>

namespace sim {

bool inPrivateNetworkNamespace(std::string* why) {
    auto fail = [&](const std::string& reason) {
        if (why)
            *why = reason;
        return false;
    };
    // /proc/net follows the network namespace of the reading process.
    std::ifstream devices("/proc/net/dev");
    if (!devices)
        return fail("cannot read /proc/net/dev");
    std::string line;
    int lineNumber = 0;
    bool loopbackSeen = false;
    while (std::getline(devices, line)) {
        if (++lineNumber <= 2)
            continue; // two header lines
        const auto colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string name = line.substr(0, colon);
        name.erase(0, name.find_first_not_of(' '));
        if (name != "lo")
            return fail("interface " + name + " is present");
        loopbackSeen = true;
    }
    if (!loopbackSeen)
        return fail("no loopback interface");

    std::ifstream routes("/proc/net/route");
    if (!routes)
        return fail("cannot read /proc/net/route");
    bool multicastThroughLoopback = false;
    while (std::getline(routes, line)) {
        std::istringstream fields(line);
        std::string iface, destination, gateway, flags, refcnt, use, metric, mask;
        fields >> iface >> destination >> gateway >> flags >> refcnt >> use >> metric >> mask;
        // Addresses are little-endian hexadecimal: 224.0.0.0 is 000000E0, /4 is 000000F0.
        if (iface == "lo" && destination == "000000E0" && mask == "000000F0")
            multicastThroughLoopback = true;
    }
    if (!multicastThroughLoopback)
        return fail("no route for 224.0.0.0/4 on lo");
    return true;
}

} // namespace sim
