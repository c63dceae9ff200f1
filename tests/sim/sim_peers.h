#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim_test {

using Bytes = std::vector<std::uint8_t>;

// The program's end of a simulated serial line: opens the pseudo-terminal a simulator made
// (through its link) the way a controller opens its port.
class SerialPeer {
public:
    explicit SerialPeer(const std::string& path);
    ~SerialPeer();
    SerialPeer(const SerialPeer&) = delete;
    SerialPeer& operator=(const SerialPeer&) = delete;

    bool ok() const { return m_fd >= 0; }
    void Write(const Bytes& bytes);
    // Waits until `count` bytes arrived or the time is up; returns what arrived.
    Bytes Read(std::size_t count,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(3000));
    // Everything that arrives until the line has been quiet for `quiet`.
    Bytes ReadUntilQuiet(std::chrono::milliseconds quiet = std::chrono::milliseconds(200));

private:
    int m_fd = -1;
};

// A UDP socket on 127.0.0.1 with a port the system picks, talking to a simulator's port.
class UdpPeer {
public:
    UdpPeer();
    ~UdpPeer();
    UdpPeer(const UdpPeer&) = delete;
    UdpPeer& operator=(const UdpPeer&) = delete;

    bool ok() const { return m_fd >= 0; }
    void SendTo(std::uint16_t port, const Bytes& bytes);
    // One datagram, or nothing if none arrives in time.
    std::optional<Bytes>
    Receive(std::chrono::milliseconds timeout = std::chrono::milliseconds(3000));

private:
    int m_fd = -1;
};

} // namespace sim_test
