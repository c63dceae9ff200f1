#pragma once

#include "controller/link/link.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace controller {

// A link to a serial-to-Ethernet terminal, whichever way it carries the bytes.
class NetworkLink : public Link {
public:
    // Where the terminal is; a link that holds a connection makes it anew to the new place.
    virtual void setDestination(const std::string& host, std::int32_t port) = 0;
};

// What a network link is made with, from the settings' [Net] section.
struct NetworkLinkConfig {
    std::string destIp;
    std::int32_t destPort = 4068;
    std::int32_t localPort = 4069; // taken by a transport that receives on a port of its own
};

// One way of reaching a terminal: its name in the settings and the "Network Setting" dialog
// ("UDP", "TCP"), whether it listens on this computer's HostPort, and how its link is made. A
// new transport is one more entry here and the file of its link.
struct NetworkTransport {
    std::string_view name;
    bool bindsLocalPort;
    std::unique_ptr<NetworkLink> (*make)(const NetworkLinkConfig& config);
};

// Every transport, the default (UDP) first.
std::span<const NetworkTransport> networkTransports();
// The transport of that name, in any letter case; the default for an empty or unknown name.
const NetworkTransport& findTransport(std::string_view name);

} // namespace controller
