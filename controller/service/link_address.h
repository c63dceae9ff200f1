#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace matrixd {

// Where a matrix is reached, as a configuration's Link value names it:
//   serial:DEVICE    a serial device path (/dev/ttyUSB0) or COM1 to COM9 as Brisvane maps them
//   udp:HOST:PORT    a serial-to-Ethernet terminal over UDP
//   tcp:HOST:PORT    a terminal in "TCP  Server" mode
struct LinkAddress {
    enum class Kind { Serial, Udp, Tcp };
    Kind kind = Kind::Serial;
    std::string device; // Serial
    std::string host;   // Udp, Tcp: a dotted IPv4 address or a host name
    std::uint16_t port = 0;
    bool operator==(const LinkAddress&) const = default;
};

// Reads a Link value. Nullopt, with `error` saying what it wants, for anything else.
std::optional<LinkAddress> parseLinkAddress(std::string_view text, std::string& error);

// The Link value that names `link` ("udp:192.0.2.10:4001").
std::string linkText(const LinkAddress& link);

// A listening address: HOST:PORT with HOST a dotted IPv4 address, a bracketed IPv6 address
// ("[::1]:8080") or "localhost"; PORT 0 to 65535 (0: the system picks one).
struct ListenAddress {
    std::string host; // as given, without brackets
    std::uint16_t port = 0;
    bool operator==(const ListenAddress&) const = default;
};

std::optional<ListenAddress> parseListenAddress(std::string_view text, std::string& error);

// Whether nobody but this machine can reach the address: 127.0.0.0/8, ::1 and "localhost".
bool isLoopback(const ListenAddress& address);

// "127.0.0.1:8080", "[::1]:8080".
std::string listenText(const ListenAddress& address);

} // namespace matrixd
