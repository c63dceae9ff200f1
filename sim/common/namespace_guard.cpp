#include "sim/common/namespace_guard.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/ethtool.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace sim {

namespace {

// The driver behind an interface, as ethtool names it ("veth", "virtio_net", …); empty when
// the interface does not say.
std::string driverOf(const std::string& name) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {};
    ethtool_drvinfo info{};
    info.cmd = ETHTOOL_GDRVINFO;
    ifreq request{};
    std::strncpy(request.ifr_name, name.c_str(), IFNAMSIZ - 1);
    request.ifr_data = reinterpret_cast<char*>(&info);
    const bool answered = ::ioctl(fd, SIOCETHTOOL, &request) == 0;
    ::close(fd);
    return answered ? std::string(info.driver) : std::string();
}

bool isDocumentationAddress(in_addr_t networkOrder) {
    const std::uint32_t address = ntohl(networkOrder);
    const std::uint32_t network = address & 0xFFFFFF00u;
    return network == 0xC0000200u     // 192.0.2.0/24
           || network == 0xC6336400u  // 198.51.100.0/24
           || network == 0xCB007100u; // 203.0.113.0/24
}

// The IPv4 addresses of `name` that are not documentation addresses, dotted.
std::vector<std::string> foreignAddressesOf(const std::string& name) {
    std::vector<std::string> foreign;
    ifaddrs* all = nullptr;
    if (::getifaddrs(&all) != 0)
        return {"(addresses unreadable)"};
    for (const ifaddrs* entry = all; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET || name != entry->ifa_name)
            continue;
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        if (isDocumentationAddress(address->sin_addr.s_addr))
            continue;
        char text[INET_ADDRSTRLEN] = "?";
        ::inet_ntop(AF_INET, &address->sin_addr, text, sizeof text);
        foreign.emplace_back(text);
    }
    ::freeifaddrs(all);
    return foreign;
}

} // namespace

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
    std::vector<std::string> links; // the veth ends that may carry multicast
    while (std::getline(devices, line)) {
        if (++lineNumber <= 2)
            continue; // two header lines
        const auto colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string name = line.substr(0, colon);
        name.erase(0, name.find_first_not_of(' '));
        if (name == "lo") {
            loopbackSeen = true;
            continue;
        }
        if (driverOf(name) != "veth")
            return fail("interface " + name + " is present");
        const std::vector<std::string> foreign = foreignAddressesOf(name);
        if (!foreign.empty())
            return fail("virtual link " + name + " has the address " + foreign.front() +
                        ", not a documentation address");
        links.push_back(name);
    }
    if (!loopbackSeen)
        return fail("no loopback interface");

    std::ifstream routes("/proc/net/route");
    if (!routes)
        return fail("cannot read /proc/net/route");
    bool multicastRouted = false;
    while (std::getline(routes, line)) {
        std::istringstream fields(line);
        std::string iface, destination, gateway, flags, refcnt, use, metric, mask;
        fields >> iface >> destination >> gateway >> flags >> refcnt >> use >> metric >> mask;
        if (destination == "00000000" && mask == "00000000")
            return fail("a default route through " + iface + " is present");
        // Addresses are little-endian hexadecimal: 224.0.0.0 is 000000E0, /4 is 000000F0.
        const bool ownInterface =
            iface == "lo" || std::find(links.begin(), links.end(), iface) != links.end();
        if (ownInterface && destination == "000000E0" && mask == "000000F0")
            multicastRouted = true;
    }
    if (!multicastRouted)
        return fail("no route for 224.0.0.0/4 on lo");
    return true;
}

} // namespace sim
