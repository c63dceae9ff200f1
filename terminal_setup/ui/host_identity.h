#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace terminal_setup {

// What the list window shows about the computer it runs on.
struct HostIdentity {
    bool nameFound = false; // false: name, address and MAC all stay empty
    std::string name;
    std::string address; // dotted IPv4; empty when the name resolves to no IPv4 address
    std::string mac;     // "%02X%02X－%02X%02X－%02X%02X"; empty when no interface has one

    bool operator==(const HostIdentity&) const = default;
};

// The host name (gethostname), the first IPv4 address it resolves to, and the hardware address
// of the first interface that has one. The resolver may ask a name server when the name is not
// in the hosts file, which can take a moment on a machine without a network.
HostIdentity findHostIdentity();

// One network interface as the MAC search sees it.
struct InterfaceHardware {
    bool loopback = false;
    std::string hardwareAddress; // as QNetworkInterface spells it: "00:1A:2B:3C:4D:5E"
};

// The MAC text of the first non-loopback interface whose hardware address is six bytes that are
// not all zero (tunnels and dummies report none or zeros); empty when no interface qualifies.
std::string hostMacText(const std::vector<InterfaceHardware>& interfaces);

// "00:1a:2B:3c:4D:5e" → its six bytes; nothing for any other spelling or length.
std::optional<std::vector<unsigned char>> parseHardwareAddress(std::string_view text);

} // namespace terminal_setup
