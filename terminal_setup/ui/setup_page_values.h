#pragma once

#include "terminal_setup/protocol/terminal_datagram.h"

#include <string>

namespace terminal_setup {

// What the four setup pages hold. The dialog fills them in before it creates a page, the page
// shows them in its controls, and the page's collect step reads the controls back into them.

// An address is kept both as the dotted text the control shows and as its four bytes.
struct AddressValue {
    std::string text;
    Ipv4Bytes bytes{};

    bool operator==(const AddressValue&) const = default;
};

// A combo box without a selection reports this position.
inline constexpr int kNoSelection = -1;

struct BasicSetValues {
    std::string deviceName;  // UTF-8, as shown and typed
    int softwareVersion = 0; // high nibble major, low nibble minor
    int hardwareVersion = 0;
    AddressValue dnsServer;
};

struct NetSetValues {
    int workMode = 0; // list position, or kNoSelection
    // On entry minutes (0, 5, 10 or 30; kNoDisconnectTime for none); after collect the list
    // position, or kNoSelection. The datagram has no field for it, so nothing sends it.
    int disconnectTime = kNoDisconnectTime;
    int dhcpFlag = 0; // on entry any value, nonzero meaning DHCP; after collect 0 or 1
    AddressValue ipAddress;
    AddressValue subnetMask;
    unsigned port = 0; // 0 to 65535

    static constexpr int kNoDisconnectTime = -1;
};

struct ComSetValues {
    int baudIndex = 0; // list position, or kNoSelection
};

struct OtherSetValues {
    std::string multicastText; // shown only, never read back
    AddressValue gateway;
    AddressValue hostIp;
    std::string hostPortText; // as typed; the dialog turns it into a number
};

} // namespace terminal_setup
