#pragma once

#include "terminal_setup/protocol/network_interface.h"
#include "terminal_setup/protocol/terminal_datagram.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace terminal_setup {

// Which of the computer's network interfaces the discovery socket may use, and which one it uses
// unless the installer says otherwise. Plain functions over copies of the interface list, so
// that the list window and console programs choose the same way.

// The interfaces the installer can choose from, in the system's order: switched on, able to
// multicast and holding an IPv4 address. Loopback only when no other interface qualifies (a
// machine without a network, or a test's private namespace). An interface without a link is
// listed: a cable may be plugged in before the next Scan.
std::vector<NetworkInterface> usableInterfaces(const std::vector<NetworkInterface>& all);

// How the list shows an interface: "192.168.1.10 (enp3s0)", or "(enp3s0)" without an address.
std::string interfaceLabel(const NetworkInterface& card);

// The interface to use at start: `remembered` when it is usable now, else the interface of the
// default route when usable, else the first usable one; empty when nothing is usable.
std::string chooseInterface(const std::vector<NetworkInterface>& usable,
                            const std::string& remembered, const std::string& defaultRoute);

// The interface named `name` in `interfaces`, or nullptr.
const NetworkInterface* findInterface(const std::vector<NetworkInterface>& interfaces,
                                      const std::string& name);

// The interface of the default route in the text of /proc/net/route: the route to 0.0.0.0/0
// that is up, with the lowest metric (the first of equals). Empty when there is none.
std::string defaultRouteInterface(std::string_view routeTable);

// "00:1a:2B:3c:4D:5e" → its six bytes; nothing for any other spelling or length.
std::optional<MacBytes> parseHardwareAddress(std::string_view text);

// The MAC text of a hardware address ("%02X%02X－%02X%02X－%02X%02X"); empty when it is not six
// bytes or all zero (loopback, tunnels).
std::string macText(std::string_view hardwareAddress);

// A "Test" destination that must not be sent to: not an IPv4 address, 0.0.0.0 (which Linux
// delivers to this machine, and which a blank address control reads as), 255.255.255.255, or
// the broadcast address of any network of any of `all` interfaces.
bool isUnusableTestDestination(std::string_view dotted, const std::vector<NetworkInterface>& all);

} // namespace terminal_setup
