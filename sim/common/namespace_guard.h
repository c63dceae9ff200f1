#pragma once

#include <string>

namespace sim {

// True only inside a private network namespace, where nothing a simulator sends can reach a real
// network: loopback is there, every other interface is one end of a virtual Ethernet pair (veth)
// that holds documentation addresses only (192.0.2.0/24, 198.51.100.0/24, 203.0.113.0/24), no
// default route leads anywhere, and the multicast range 224.0.0.0/4 is routed through loopback
// or one of those pairs. The namespace that scripts/test makes has loopback alone; tests of
// interface choice link further namespaces to it with veth pairs.
// On false, `why` (when given) says what was found instead.
bool inPrivateNetworkNamespace(std::string* why = nullptr);

// The command that makes such a namespace, for messages that tell the user how to run.
inline constexpr const char* kPrivateNamespaceRecipe =
    "unshare -n bash -c 'ip link set lo up; ip link set lo multicast on; "
    "ip route add 224.0.0.0/4 dev lo; <command>'";

} // namespace sim
