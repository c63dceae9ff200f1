#include "terminal_setup/session/group_socket_error.h"

namespace terminal_setup {

std::string describeGroupSocketError(const GroupSocketError& error, std::uint16_t port) {
    const std::string card = "Network interface " + error.interfaceName;
    switch (error.kind) {
    case GroupSocketError::Kind::NoInterface:
        return "No network interface is up with an IPv4 address and multicast.";
    case GroupSocketError::Kind::InterfaceDown:
        return card + " is down, unplugged or gone.";
    case GroupSocketError::Kind::NoAddress:
        return card + " has no IPv4 address.";
    case GroupSocketError::Kind::PortInUse:
        return "UDP port " + std::to_string(port) + " is in use by another program.";
    case GroupSocketError::Kind::Other:
        break;
    }
    return error.detail;
}

} // namespace terminal_setup
