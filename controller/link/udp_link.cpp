#include "controller/link/udp_link.h"

#include <array>

namespace controller {

UdpLink::UdpLink() {
    m_poll.setInterval(kPollPeriod);
    connect(&m_poll, &QTimer::timeout, this, &UdpLink::onPollTick);
}

UdpLink::~UdpLink() = default;

void UdpLink::setDestination(const std::string& address, std::int32_t port) {
    m_destIp = address;
    m_destPort = port;
    // Only the low 16 bits of the port reach the wire.
    m_info.name = "UDP " + address + ":" + std::to_string(port & 0xFFFF);
}

bool UdpLink::open() {
    if (!m_net.Create(m_localPort))
        return false;
    m_poll.start();
    return true;
}

bool UdpLink::write(std::span<const std::uint8_t> frame) {
    return m_net.Send(frame.data(), frame.size(), m_destIp, m_destPort);
}

void UdpLink::onPollTick() {
    std::array<std::uint8_t, NetLink::kReceiveSize> buffer{};
    const int received = m_net.Poll(buffer);
    const std::size_t count = received > 0 ? static_cast<std::size_t>(received) : 0;
    // A poll that found nothing is told too: the owner looks at what it holds at every tick.
    if (events())
        events()->linkBytes(*this, std::span<const std::uint8_t>(buffer.data(), count));
}

} // namespace controller
