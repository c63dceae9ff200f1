#pragma once

#include <cstddef>
#include <cstdint>
#include <netinet/in.h>
#include <span>
#include <string>

namespace sim {

// A UDP socket bound to 127.0.0.1 only. The simulators answer whoever wrote to them, and a
// socket bound to loopback can only hear (and be answered by) programs on this machine; SendTo
// refuses any destination outside 127.0.0.0/8 all the same.
class LoopbackUdp {
public:
    LoopbackUdp() = default;
    ~LoopbackUdp();
    LoopbackUdp(const LoopbackUdp&) = delete;
    LoopbackUdp& operator=(const LoopbackUdp&) = delete;

    // Binds 127.0.0.1:`port`; port 0 lets the system pick one (see Port()). On failure returns
    // false with the reason in `error` and leaves nothing open.
    bool Bind(std::uint16_t port, std::string* error);
    void Close();

    int Fd() const { return m_fd; }
    std::uint16_t Port() const { return m_port; }

    // One datagram, at most `capacity` bytes (the rest of a longer one is lost; `truncated`
    // says so). Returns false when none is waiting. Non-blocking.
    bool Receive(std::uint8_t* buffer, std::size_t capacity, std::size_t* size, sockaddr_in* from,
                 bool* truncated);
    // Sends one datagram. False if it did not go out or the destination is not a loopback
    // address.
    bool SendTo(std::span<const std::uint8_t> bytes, const sockaddr_in& to);

    static bool IsLoopback(const sockaddr_in& address);
    // "127.0.0.1:40123".
    static std::string Describe(const sockaddr_in& address);

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

} // namespace sim
