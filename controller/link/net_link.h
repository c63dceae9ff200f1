#pragma once

#include "controller/link/controller_settings.h"
#include "platform/prompt.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

class QUdpSocket;

namespace controller {

// Lets the controller reach a matrix switcher behind a serial-to-Ethernet terminal: one UDP
// socket, one frame per datagram to DestIP:DestPort, and whatever arrives on HostPort, taken in
// by polling. Everything runs on the owner's thread; nothing here blocks.
class NetLink {
public:
    // This computer's address as dotted text; empty optional when it cannot be found.
    using HostAddressLookup = std::function<std::optional<std::string>()>;

    static constexpr std::size_t kReceiveSize = 1024;
    static constexpr const char* kCreateFailedText = "Unable to complete the network settings!";
    static constexpr const char* kSendFailedText = "UDP error,Network operation is terminated!";

    // An empty lookup asks the system (platform::detectHostAddress).
    NetLink(ControllerSettings& settings, platform::PromptSink& prompts,
            HostAddressLookup lookup = {});
    ~NetLink();
    NetLink(const NetLink&) = delete;
    NetLink& operator=(const NetLink&) = delete;

    // Detects this computer's address into settings.netIp ("127.0.0.1" when the address found
    // is empty; the loaded value stays when none is found), then binds the socket to the low 16
    // bits of HostPort on every local address, refusing to share a port another socket holds.
    // On failure the operator is told and the result is false; the caller starts its poll timer
    // only on success. Called once; later calls keep the socket there is.
    bool Create();
    // Sends the bytes as one datagram to the destination in the settings as they are now
    // (DestIP, low 16 bits of DestPort). A failure (no socket, an empty, malformed, 0.0.0.0 or
    // broadcast DestIP, a refused send) turns settings.useNet off, runs the stop handler, then
    // tells the operator and returns false. Sending is off before the message shows, so a send
    // made while it is open (its window runs a nested event loop) adds no second message.
    bool Send(const std::uint8_t* bytes, std::size_t count);
    // Runs after a failed send has turned sending off, before the operator is told.
    void setSendingStoppedHandler(std::function<void()> handler) {
        m_sendingStopped = std::move(handler);
    }
    // Takes one waiting datagram from any sender into the buffer, without waiting. Returns its
    // length, or -1 when none is waiting or no socket exists; a datagram longer than the buffer
    // is discarded and also gives -1.
    int Poll(std::span<std::uint8_t, kReceiveSize> buffer);

    bool isCreated() const { return m_socket != nullptr; }
    // The local port the socket is bound to; 0 without a socket.
    std::uint16_t localPort() const;

private:
    bool failSend();

    ControllerSettings& m_settings;
    platform::PromptSink& m_prompts;
    HostAddressLookup m_lookup;
    std::function<void()> m_sendingStopped;
    std::unique_ptr<QUdpSocket> m_socket;
};

} // namespace controller
