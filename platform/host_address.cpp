#include "platform/host_address.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

std::optional<std::string> detectHostAddress() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return std::nullopt;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name, nullptr, &hints, &found) != 0 || found == nullptr)
        return std::nullopt;
    std::optional<std::string> text;
    const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    char dotted[INET_ADDRSTRLEN] = {};
    if (found->ai_family == AF_INET &&
        ::inet_ntop(AF_INET, &address->sin_addr, dotted, sizeof dotted) != nullptr)
        text = dotted;
    ::freeaddrinfo(found);
    return text;
}

} // namespace platform
