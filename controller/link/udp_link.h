#pragma once

#include "controller/link/net_link.h"
#include "controller/link/network_transports.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <string>

namespace controller {

// UDP datagrams to a serial-to-Ethernet terminal as a Link: one frame per datagram to the
// terminal's address and port, read afresh for every datagram, and whatever arrives on the local
// port from any sender taken in by a poll every 100 ms, one datagram each.
class UdpLink : public QObject, public NetworkLink {
public:
    UdpLink();
    ~UdpLink() override;

    // The local port open() binds (its low 16 bits; 0 lets the system choose), and where
    // datagrams go from the next write on.
    void setLocalPort(std::int32_t port) { m_localPort = port; }
    void setDestination(const std::string& address, std::int32_t port) override;

    // Binds the local port and starts polling it; false when the port cannot be had. Called once:
    // the socket lasts as long as the link.
    bool open() override;
    void close() override {}
    bool isOpen() const override { return m_net.isCreated(); }
    bool write(std::span<const std::uint8_t> frame) override;
    const LinkInfo& info() const override { return m_info; }
    std::string lastError() const override { return m_net.lastError(); }

    std::uint16_t localPort() const { return m_net.localPort(); }
    // Who sent the last datagram taken in, "HOST:PORT"; empty before the first.
    const std::string& lastSender() const { return m_net.lastSender(); }

    // One poll; reports the datagram it took, or nothing when none was waiting. Public for
    // tests, which stretch the period and poll by hand.
    void onPollTick();
    void setPollPeriod(std::chrono::milliseconds period) { m_poll.setInterval(period); }
    bool polling() const { return m_poll.isActive(); }

    static constexpr std::chrono::milliseconds kPollPeriod{100};

private:
    NetLink m_net;
    QTimer m_poll;
    LinkInfo m_info{"UDP", "udp", true, Framing::Datagram};
    std::int32_t m_localPort = 4069;
    std::string m_destIp;
    std::int32_t m_destPort = 4068;
};

} // namespace controller
