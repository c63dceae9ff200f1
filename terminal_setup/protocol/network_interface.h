#pragma once

#include <string>
#include <vector>

namespace terminal_setup {

// One IPv4 address of an interface.
struct Ipv4Entry {
    std::string address;   // dotted
    int prefixLength = 32; // length of the network part, 0 to 32
    std::string broadcast; // dotted; empty when the interface has no broadcast address

    bool operator==(const Ipv4Entry&) const = default;
};

// A network interface of this computer, as far as choosing it, joining the terminals' group on
// it and telling why it cannot be used needs to know it. A plain copy: taking it never touches
// the system, so tests can make up any machine they like.
struct NetworkInterface {
    std::string name;     // "enp3s0"
    int index = 0;        // the system's interface index, 0 when unknown
    bool up = false;      // switched on
    bool running = false; // has a link: a cable plugged in, a peer present
    bool loopback = false;
    bool multicast = false;
    std::string hardwareAddress; // "00:1A:2B:3C:4D:5E" as the system spells it; may be empty
    std::vector<Ipv4Entry> ipv4; // in the system's order; the first is the interface's own

    // The first IPv4 address, dotted; empty when it has none.
    std::string address() const { return ipv4.empty() ? std::string() : ipv4.front().address; }

    bool operator==(const NetworkInterface&) const = default;
};

} // namespace terminal_setup
