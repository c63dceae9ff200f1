#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace sim {

// A TCP listener on 127.0.0.1 that serves one client at a time, as a serial-to-Ethernet terminal
// in its "TCP  Server" mode does: a second client is taken and closed at once.
class LoopbackTcp {
public:
    LoopbackTcp() = default;
    ~LoopbackTcp();
    LoopbackTcp(const LoopbackTcp&) = delete;
    LoopbackTcp& operator=(const LoopbackTcp&) = delete;

    // Listens on 127.0.0.1:`port`; port 0 lets the system pick one (see Port()). On failure
    // returns false with the reason in `error` and leaves nothing open.
    bool Listen(std::uint16_t port, std::string* error);
    void Close();

    int ListenFd() const { return m_listen; }
    int ClientFd() const { return m_client; }
    std::uint16_t Port() const { return m_port; }
    bool HasClient() const { return m_client >= 0; }

    // Takes a waiting connection: the client when there is none, else closed at once. Returns
    // the descriptor of a new client, or -1.
    int Accept(bool* refused);
    // Reads what the client sent, without waiting. 0 with `closed` set when it has gone.
    std::size_t Read(std::uint8_t* buffer, std::size_t capacity, bool* closed);
    // Writes to the client; false when there is none or it has gone.
    bool Write(std::span<const std::uint8_t> bytes);
    void DropClient();

private:
    int m_listen = -1;
    int m_client = -1;
    std::uint16_t m_port = 0;
};

} // namespace sim
