#include "sim/common/loopback_udp.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace sim {

LoopbackUdp::~LoopbackUdp() {
    Close();
}

bool LoopbackUdp::Bind(std::uint16_t port, std::string* error) {
    Close();
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof local;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        *error = "bind 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_port = ntohs(local.sin_port);
    return true;
}

void LoopbackUdp::Close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_port = 0;
}

bool LoopbackUdp::Receive(std::uint8_t* buffer, std::size_t capacity, std::size_t* size,
                          sockaddr_in* from, bool* truncated) {
    if (m_fd < 0)
        return false;
    for (;;) {
        socklen_t length = sizeof *from;
        ssize_t n = ::recvfrom(m_fd, buffer, capacity, MSG_TRUNC, reinterpret_cast<sockaddr*>(from),
                               &length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        const auto whole = static_cast<std::size_t>(n);
        *truncated = whole > capacity;
        *size = *truncated ? capacity : whole;
        return true;
    }
}

bool LoopbackUdp::SendTo(std::span<const std::uint8_t> bytes, const sockaddr_in& to) {
    if (m_fd < 0 || to.sin_family != AF_INET || !IsLoopback(to))
        return false;
    for (;;) {
        ssize_t n = ::sendto(m_fd, bytes.data(), bytes.size(), 0,
                             reinterpret_cast<const sockaddr*>(&to), sizeof to);
        if (n < 0 && errno == EINTR)
            continue;
        return n == static_cast<ssize_t>(bytes.size());
    }
}

bool LoopbackUdp::IsLoopback(const sockaddr_in& address) {
    return (ntohl(address.sin_addr.s_addr) >> 24) == 127;
}

std::string LoopbackUdp::Describe(const sockaddr_in& address) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(address.sin_port));
}

} // namespace sim
