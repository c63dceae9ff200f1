#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

class QUdpSocket;

namespace controller {

// Lets the controller reach a matrix switcher behind a serial-to-Ethernet terminal: one UDP
// socket, one frame per datagram to the terminal, and whatever arrives on the local port, taken
// in by polling. Everything runs on the owner's thread; nothing here blocks. The link only
// reports what went wrong: what the operator hears of it, and whether sending goes on, is the
// owner's decision.
class NetLink {
public:
    static constexpr std::size_t kReceiveSize = 1024;

    NetLink();
    ~NetLink();
    NetLink(const NetLink&) = delete;
    NetLink& operator=(const NetLink&) = delete;

    // Binds the socket to the low 16 bits of `hostPort` on every local address (0: a port the
    // system picks), refusing to share a port another socket holds. False when that fails; then
    // there is no socket, every poll finds nothing and every send fails. Called once; later calls
    // keep the socket there is.
    bool Create(std::int32_t hostPort);
    // Sends the bytes as one datagram to `destIp` at the low 16 bits of `destPort`. False, with
    // nothing sent, without a socket, for a destination that is not four decimal numbers or is
    // 0.0.0.0 or a broadcast address, and when the socket refuses the datagram.
    bool Send(const std::uint8_t* bytes, std::size_t count, const std::string& destIp,
              std::int32_t destPort);
    // Takes one waiting datagram from any sender into the buffer, without waiting. Returns its
    // length, or -1 when none is waiting or no socket exists; a datagram longer than the buffer
    // is discarded and also gives -1.
    int Poll(std::span<std::uint8_t, kReceiveSize> buffer);
    // Who sent the last datagram Poll took, as "HOST:PORT"; empty before the first.
    const std::string& lastSender() const { return m_lastSender; }
    // Why the last Create or Send failed, in the system's words where it has them ("Network is
    // unreachable").
    const std::string& lastError() const { return m_lastError; }

    bool isCreated() const { return m_socket != nullptr; }
    // The local port the socket is bound to; 0 without a socket.
    std::uint16_t localPort() const;

private:
    std::unique_ptr<QUdpSocket> m_socket;
    std::string m_lastSender;
    std::string m_lastError;
};

} // namespace controller
