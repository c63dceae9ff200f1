#include "terminal_setup/ui/host_identity.h"

#include "terminal_setup/protocol/terminal_format.h"

#include <QNetworkInterface>

#include <algorithm>
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace terminal_setup {

namespace {

constexpr std::size_t kMacBytes = 6;
constexpr std::size_t kHostNameBuffer = 256;
constexpr const char* kLoopbackAddress = "127.0.0.1";

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The first IPv4 address `name` resolves to, dotted; empty when it resolves to none. An address
// that cannot be spelled is taken as this host's loopback address.
std::string firstIpv4Address(const char* name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name, nullptr, &hints, &found) != 0 || found == nullptr)
        return {};
    std::string text;
    char dotted[INET_ADDRSTRLEN] = {};
    const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    if (found->ai_family == AF_INET &&
        ::inet_ntop(AF_INET, &address->sin_addr, dotted, sizeof dotted) != nullptr)
        text = dotted;
    ::freeaddrinfo(found);
    return text.empty() ? std::string(kLoopbackAddress) : text;
}

std::vector<InterfaceHardware> systemInterfaces() {
    std::vector<InterfaceHardware> interfaces;
    const auto all = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& candidate : all) {
        interfaces.push_back({candidate.flags().testFlag(QNetworkInterface::IsLoopBack),
                              candidate.hardwareAddress().toStdString()});
    }
    return interfaces;
}

} // namespace

std::optional<std::vector<unsigned char>> parseHardwareAddress(std::string_view text) {
    // Two hex digits per byte, a colon between bytes.
    if (text.size() != kMacBytes * 3 - 1)
        return std::nullopt;
    std::vector<unsigned char> bytes;
    for (std::size_t i = 0; i < kMacBytes; ++i) {
        const std::size_t at = i * 3;
        if (i > 0 && text[at - 1] != ':')
            return std::nullopt;
        const int high = hexDigit(text[at]);
        const int low = hexDigit(text[at + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<unsigned char>(high * 16 + low));
    }
    return bytes;
}

std::string hostMacText(const std::vector<InterfaceHardware>& interfaces) {
    for (const InterfaceHardware& candidate : interfaces) {
        if (candidate.loopback)
            continue;
        const auto bytes = parseHardwareAddress(candidate.hardwareAddress);
        if (!bytes || std::all_of(bytes->begin(), bytes->end(), [](auto b) { return b == 0; }))
            continue;
        MacBytes mac{};
        std::copy(bytes->begin(), bytes->end(), mac.begin());
        return formatMac(mac);
    }
    return {};
}

HostIdentity findHostIdentity() {
    HostIdentity host;
    char name[kHostNameBuffer] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return host;
    host.nameFound = true;
    host.name = name;
    host.address = firstIpv4Address(name);
    host.mac = hostMacText(systemInterfaces());
    return host;
}

} // namespace terminal_setup
