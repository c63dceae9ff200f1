#pragma once

#include "tests/support/namespace_check.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace test_support {

// Sends datagrams from a thread of its own at a steady rate: a flood that the window under test
// must live through. Only two kinds of destination are accepted: 127.0.0.1, and a multicast
// group while the test runs inside the private network namespace. Anything else is refused and
// nothing is sent, so a flood can never leave the machine.
class DatagramFlood {
public:
    // Datagram number i of the flood.
    using Maker = std::function<std::vector<std::uint8_t>(std::size_t i)>;

    // The first `distinct` datagrams are made at once and then sent over and over, so that the
    // flood itself allocates nothing while the test watches the process's memory.
    DatagramFlood(const std::string& address, std::uint16_t port, const Maker& make,
                  std::size_t distinct = 1280) {
        for (std::size_t i = 0; i < distinct; ++i)
            m_datagrams.push_back(make(i));
        m_to.sin_family = AF_INET;
        m_to.sin_port = htons(port);
        if (inet_pton(AF_INET, address.c_str(), &m_to.sin_addr) != 1)
            return;
        const std::uint32_t host = ntohl(m_to.sin_addr.s_addr);
        const bool loopback = host == INADDR_LOOPBACK;
        const bool multicast = (host >> 28) == 0xE;
        if (!loopback && !(multicast && sim::inPrivateNetworkNamespace()))
            return;
        m_socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (m_socket >= 0 && multicast) {
            // Out through loopback, the only interface of the namespace.
            in_addr lo{};
            lo.s_addr = htonl(INADDR_LOOPBACK);
            ::setsockopt(m_socket, IPPROTO_IP, IP_MULTICAST_IF, &lo, sizeof lo);
        }
    }
    ~DatagramFlood() {
        stop();
        if (m_socket >= 0)
            ::close(m_socket);
    }
    DatagramFlood(const DatagramFlood&) = delete;
    DatagramFlood& operator=(const DatagramFlood&) = delete;

    bool ok() const { return m_socket >= 0; }

    // Starts sending `perSecond` datagrams a second, in bursts every millisecond, until stop().
    void start(int perSecond) {
        if (!ok() || m_datagrams.empty() || m_thread.joinable())
            return;
        m_running = true;
        m_thread = std::thread([this, perSecond] { run(perSecond); });
    }
    void stop() {
        m_running = false;
        if (m_thread.joinable())
            m_thread.join();
    }
    std::size_t sent() const { return m_sent; }

private:
    void run(int perSecond) {
        using Clock = std::chrono::steady_clock;
        const int perBurst = perSecond / 1000 > 0 ? perSecond / 1000 : 1;
        auto next = Clock::now();
        std::size_t i = 0;
        while (m_running) {
            for (int k = 0; k < perBurst; ++k, ++i) {
                const auto& bytes = m_datagrams[i % m_datagrams.size()];
                if (::sendto(m_socket, bytes.data(), bytes.size(), 0,
                             reinterpret_cast<const sockaddr*>(&m_to), sizeof m_to) >= 0)
                    ++m_sent;
            }
            next += std::chrono::milliseconds(1);
            std::this_thread::sleep_until(next);
        }
    }

    std::vector<std::vector<std::uint8_t>> m_datagrams;
    sockaddr_in m_to{};
    int m_socket = -1;
    std::atomic<bool> m_running{false};
    std::atomic<std::size_t> m_sent{0};
    std::thread m_thread;
};

} // namespace test_support
