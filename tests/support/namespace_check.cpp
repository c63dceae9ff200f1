#include "tests/support/namespace_check.h"

#include <fstream>
#include <sstream>

namespace test_support {

bool inPrivateNetworkNamespace(std::string* why) {
    auto fail = [&](const std::string& reason) {
        if (why)
            *why = reason;
        return false;
    };
    // /proc/net follows the network namespace of the reading process.
    std::ifstream dev("/proc/net/dev");
    if (!dev)
        return fail("cannot read /proc/net/dev");
    std::string line;
    int lineNo = 0;
    while (std::getline(dev, line)) {
        if (++lineNo <= 2)
            continue; // headers
        auto colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string name = line.substr(0, colon);
        name.erase(0, name.find_first_not_of(' '));
        if (name != "lo")
            return fail("interface " + name + " is present");
    }
    std::ifstream route("/proc/net/route");
    bool multicastOnLo = false;
    while (std::getline(route, line)) {
        std::istringstream fields(line);
        std::string iface, dest, gateway, flags, refcnt, use, metric, mask;
        fields >> iface >> dest >> gateway >> flags >> refcnt >> use >> metric >> mask;
        if (iface == "lo" && dest == "000000E0" && mask == "000000F0")
            multicastOnLo = true;
    }
    if (!multicastOnLo)
        return fail("no route for 224.0.0.0/4 on lo");
    return true;
}

} // namespace test_support
