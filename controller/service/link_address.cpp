#include "controller/service/link_address.h"

#include <arpa/inet.h>

#include <charconv>

namespace matrixd {

namespace {

std::optional<std::uint16_t> portNumber(std::string_view text, int low) {
    int value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low ||
        value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

bool hostCharacters(std::string_view host) {
    if (host.empty() || host.size() > 253)
        return false;
    for (const char c : host) {
        const bool fits = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '.';
        if (!fits)
            return false;
    }
    return true;
}

bool isIpv4(const std::string& host) {
    in_addr parsed{};
    return ::inet_pton(AF_INET, host.c_str(), &parsed) == 1;
}

bool isIpv6(const std::string& host) {
    in6_addr parsed{};
    return ::inet_pton(AF_INET6, host.c_str(), &parsed) == 1;
}

} // namespace

std::optional<LinkAddress> parseLinkAddress(std::string_view text, std::string& error) {
    const auto colon = text.find(':');
    const std::string_view scheme = colon == std::string_view::npos ? text : text.substr(0, colon);
    const std::string_view rest =
        colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1);
    LinkAddress link;
    if (scheme == "serial") {
        const bool comName =
            rest.size() == 4 && rest.substr(0, 3) == "COM" && rest[3] >= '1' && rest[3] <= '9';
        if (rest.empty() || (rest[0] != '/' && !comName)) {
            error = "serial: wants a device path (serial:/dev/ttyUSB0) or COM1 to COM9";
            return std::nullopt;
        }
        link.device = std::string(rest);
        return link;
    }
    if (scheme == "udp" || scheme == "tcp") {
        link.kind = scheme == "udp" ? LinkAddress::Kind::Udp : LinkAddress::Kind::Tcp;
        const auto portAt = rest.rfind(':');
        const auto port = portAt == std::string_view::npos ? std::nullopt
                                                           : portNumber(rest.substr(portAt + 1), 1);
        if (!port || !hostCharacters(rest.substr(0, portAt))) {
            error = std::string(scheme) + ": wants HOST:PORT, PORT from 1 to 65535";
            return std::nullopt;
        }
        link.host = std::string(rest.substr(0, portAt));
        link.port = *port;
        return link;
    }
    error = "wants serial:DEVICE, udp:HOST:PORT or tcp:HOST:PORT";
    return std::nullopt;
}

std::string linkText(const LinkAddress& link) {
    switch (link.kind) {
    case LinkAddress::Kind::Serial:
        return "serial:" + link.device;
    case LinkAddress::Kind::Udp:
        return "udp:" + link.host + ":" + std::to_string(link.port);
    case LinkAddress::Kind::Tcp:
        return "tcp:" + link.host + ":" + std::to_string(link.port);
    }
    return {};
}

std::optional<ListenAddress> parseListenAddress(std::string_view text, std::string& error) {
    error = "wants HOST:PORT (127.0.0.1:8080, [::1]:8080, 0.0.0.0:8080), PORT from 0 to 65535";
    const auto portAt = text.rfind(':');
    if (portAt == std::string_view::npos)
        return std::nullopt;
    const auto port = portNumber(text.substr(portAt + 1), 0);
    std::string host(text.substr(0, portAt));
    if (!port)
        return std::nullopt;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
        if (!isIpv6(host))
            return std::nullopt;
    } else if (host != "localhost" && !isIpv4(host)) {
        return std::nullopt;
    }
    error.clear();
    return ListenAddress{host, *port};
}

bool isLoopback(const ListenAddress& address) {
    if (address.host == "localhost")
        return true;
    in_addr v4{};
    if (::inet_pton(AF_INET, address.host.c_str(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    if (::inet_pton(AF_INET6, address.host.c_str(), &v6) != 1)
        return false;
    // ::1, and ::ffff:127.x.y.z, which is the IPv4 loopback network.
    return IN6_IS_ADDR_LOOPBACK(&v6) || (IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127);
}

std::string listenText(const ListenAddress& address) {
    const bool v6 = address.host.find(':') != std::string::npos;
    return (v6 ? "[" + address.host + "]" : address.host) + ":" + std::to_string(address.port);
}

} // namespace matrixd
