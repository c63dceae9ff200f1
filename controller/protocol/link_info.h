#pragma once

#include <string>

namespace controller {

// How replies are cut out of what a link delivers: a byte stream (a serial line, a TCP
// connection) carries frames split and joined anyhow; a datagram carries one frame, and whatever
// follows it is dropped.
enum class Framing { Stream, Datagram };

// The link a frame travelled on, as the frames' consumers know it: its name for messages and
// views of the traffic ("COM1", "UDP 127.0.0.1:4068", "TCP 192.0.2.10:4001"), its kind in one
// lower-case word for terse traces ("serial", "udp", "tcp"), whether it reaches the device over
// the network rather than on the device's own serial line (a scene confirmation reads a little
// differently for each), and its framing.
struct LinkInfo {
    std::string name;
    std::string kind;
    bool network = false;
    Framing framing = Framing::Stream;
    bool operator==(const LinkInfo&) const = default;
};

} // namespace controller
