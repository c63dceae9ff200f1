#pragma once

#include <cstdint>
#include <string>

namespace terminal_setup {

// Why the discovery socket could not be opened or joined to the terminals' group.
struct GroupSocketError {
    enum class Kind {
        NoInterface,   // no usable IPv4 interface at all
        InterfaceDown, // the chosen interface is switched off, has no link, or is gone
        NoAddress,     // the chosen interface has no IPv4 address
        PortInUse,     // another program holds the discovery port for itself
        Other,         // the system refused for another reason; `detail` says which
    };
    Kind kind = Kind::Other;
    std::string interfaceName; // the chosen interface, where there is one
    std::string detail;        // the system's own words, for Other

    bool operator==(const GroupSocketError&) const = default;
};

// The one line that follows "Socket error!" and tells the installer what to do about it.
std::string describeGroupSocketError(const GroupSocketError& error, std::uint16_t port);

} // namespace terminal_setup
