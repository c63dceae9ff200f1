#include "tests/sim/sim_peers.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace sim_test {

namespace {

int MillisLeft(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

} // namespace

SerialPeer::SerialPeer(const std::string& path) {
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    // The simulator leaves the line at the kernel's settings; a controller makes it raw.
    termios tio{};
    if (m_fd >= 0 && ::tcgetattr(m_fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(m_fd, TCSANOW, &tio);
    }
}

SerialPeer::~SerialPeer() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void SerialPeer::Write(const Bytes& bytes) {
    std::size_t done = 0;
    while (m_fd >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{m_fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else if (n < 0 && errno != EINTR) {
            return;
        }
    }
}

Bytes SerialPeer::Read(std::size_t count, std::chrono::milliseconds timeout) {
    Bytes out;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (m_fd >= 0 && out.size() < count) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, MillisLeft(deadline)) <= 0)
            break;
        std::uint8_t buffer[512];
        const ssize_t n = ::read(m_fd, buffer, std::min(sizeof buffer, count - out.size()));
        if (n > 0)
            out.insert(out.end(), buffer, buffer + n);
        else if (n < 0 && errno != EINTR && errno != EAGAIN)
            break;
    }
    return out;
}

Bytes SerialPeer::ReadUntilQuiet(std::chrono::milliseconds quiet) {
    Bytes out;
    while (m_fd >= 0) {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(quiet.count())) <= 0)
            break;
        std::uint8_t buffer[512];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0)
            out.insert(out.end(), buffer, buffer + n);
        else if (n < 0 && errno != EINTR && errno != EAGAIN)
            break;
    }
    return out;
}

UdpPeer::UdpPeer() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        ::close(fd);
        return;
    }
    m_fd = fd;
}

UdpPeer::~UdpPeer() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void UdpPeer::SendTo(std::uint16_t port, const Bytes& bytes) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::sendto(m_fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to),
             sizeof to);
}

std::optional<Bytes> UdpPeer::Receive(std::chrono::milliseconds timeout) {
    pollfd p{m_fd, POLLIN, 0};
    if (m_fd < 0 || ::poll(&p, 1, static_cast<int>(timeout.count())) <= 0)
        return std::nullopt;
    std::uint8_t buffer[2048];
    const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
    if (n < 0)
        return std::nullopt;
    return Bytes(buffer, buffer + n);
}

} // namespace sim_test
