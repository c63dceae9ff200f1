#pragma once

#include <string>

namespace sim {

// True only inside a private network namespace: loopback is the only interface and the multicast
// range 224.0.0.0/4 is routed through it, so nothing a simulator sends can leave the machine.
// On false, `why` (when given) says what was found instead.
bool inPrivateNetworkNamespace(std::string* why = nullptr);

// The command that makes such a namespace, for messages that tell the user how to run.
inline constexpr const char* kPrivateNamespaceRecipe =
    "unshare -n bash -c 'ip link set lo up; ip link set lo multicast on; "
    "ip route add 224.0.0.0/4 dev lo; <command>'";

} // namespace sim
