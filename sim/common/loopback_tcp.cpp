#include "sim/common/loopback_tcp.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sim {

LoopbackTcp::~LoopbackTcp() {
    Close();
}

bool LoopbackTcp::Listen(std::uint16_t port, std::string* error) {
    Close();
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof local;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        ::listen(fd, 4) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        *error = "listen 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    m_listen = fd;
    m_port = ntohs(local.sin_port);
    return true;
}

void LoopbackTcp::Close() {
    DropClient();
    if (m_listen >= 0)
        ::close(m_listen);
    m_listen = -1;
    m_port = 0;
}

int LoopbackTcp::Accept(bool* refused) {
    *refused = false;
    const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        return -1;
    if (m_client >= 0) {
        ::close(fd);
        *refused = true;
        return -1;
    }
    const int yes = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    m_client = fd;
    return fd;
}

std::size_t LoopbackTcp::Read(std::uint8_t* buffer, std::size_t capacity, bool* closed) {
    *closed = false;
    if (m_client < 0)
        return 0;
    for (;;) {
        const ssize_t got = ::recv(m_client, buffer, capacity, 0);
        if (got > 0)
            return static_cast<std::size_t>(got);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return 0;
        *closed = true;
        return 0;
    }
}

bool LoopbackTcp::Write(std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (m_client >= 0 && done < bytes.size()) {
        const ssize_t put =
            ::send(m_client, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<std::size_t>(put);
    }
    return m_client >= 0;
}

void LoopbackTcp::DropClient() {
    if (m_client >= 0)
        ::close(m_client);
    m_client = -1;
}

} // namespace sim
