#include "terminal_setup/protocol/terminal_datagram.h"

#include <algorithm>
#include <cstring>

namespace terminal_setup {

namespace {

void putIpv4(TerminalDatagram& out, std::size_t offset, const Ipv4Bytes& address) {
    std::copy(address.begin(), address.end(), out.begin() + static_cast<std::ptrdiff_t>(offset));
}

void putPort(TerminalDatagram& out, std::size_t offset, std::uint16_t port) {
    out[offset] = static_cast<std::uint8_t>(port & 0xFF);
    out[offset + 1] = static_cast<std::uint8_t>(port >> 8);
}

} // namespace

MacBytes TerminalRecord::mac() const {
    MacBytes mac{};
    std::copy_n(m_bytes.begin() + field::kMac, mac.size(), mac.begin());
    return mac;
}

Ipv4Bytes TerminalRecord::ipv4At(std::size_t offset) const {
    Ipv4Bytes address{};
    std::copy_n(m_bytes.begin() + static_cast<std::ptrdiff_t>(offset), address.size(),
                address.begin());
    return address;
}

std::uint16_t TerminalRecord::portAt(std::size_t offset) const {
    return static_cast<std::uint16_t>(m_bytes[offset] | (m_bytes[offset + 1] << 8));
}

std::string TerminalRecord::textAt(std::size_t offset, std::size_t size) const {
    const auto* begin = reinterpret_cast<const char*>(m_bytes.data() + offset);
    const auto* zero = static_cast<const char*>(std::memchr(begin, 0, size));
    return std::string(begin, zero ? static_cast<std::size_t>(zero - begin) : size);
}

TerminalDatagram scanRequest() {
    TerminalDatagram request{};
    request[field::kMagic] = kMagic0;
    request[field::kMagic + 1] = kMagic1;
    request[field::kHeader] = 1;
    request[field::kType] = static_cast<std::uint8_t>(DatagramType::ScanRequest);
    return request;
}

std::optional<TerminalRecord> acceptReport(std::span<const std::uint8_t> received) {
    if (received.size() < kDatagramSize)
        return std::nullopt;
    if (received[field::kMagic] != kMagic0 || received[field::kMagic + 1] != kMagic1)
        return std::nullopt;
    if (received[field::kType] != static_cast<std::uint8_t>(DatagramType::TerminalReport))
        return std::nullopt;
    TerminalDatagram bytes{};
    std::copy_n(received.begin(), kDatagramSize, bytes.begin());
    return TerminalRecord(bytes);
}

TerminalEdits editsFromRecord(const TerminalRecord& record) {
    TerminalEdits edits;
    edits.ipAddress = record.ipAddress();
    edits.subnetMask = record.subnetMask();
    edits.localPort = record.localPort();
    edits.workMode = record.workMode();
    edits.dhcp = record.usesDhcp();
    edits.baudIndex = record.baudIndex();
    edits.hostIp = record.hostIp();
    edits.gateway = record.gateway();
    edits.hostPort = record.hostPort();
    edits.name = record.name();
    edits.dnsServer = record.dnsServer();
    return edits;
}

TerminalDatagram configurationWrite(const TerminalRecord& record, const TerminalEdits& edits) {
    TerminalDatagram out = record.bytes();
    putIpv4(out, field::kIpAddress, edits.ipAddress);
    putIpv4(out, field::kHostIp, edits.hostIp);
    putIpv4(out, field::kGateway, edits.gateway);
    putIpv4(out, field::kSubnetMask, edits.subnetMask);
    putPort(out, field::kLocalPort, static_cast<std::uint16_t>(edits.localPort));
    putPort(out, field::kHostPort, static_cast<std::uint16_t>(edits.hostPort));
    out[field::kWorkMode] = static_cast<std::uint8_t>(edits.workMode);
    out[field::kBaudIndex] = static_cast<std::uint8_t>(edits.baudIndex);
    out[field::kAddressMode] = edits.dhcp ? 1 : 0;
    putIpv4(out, field::kDnsServer, edits.dnsServer);

    const std::size_t length =
        std::min({edits.name.find('\0'), edits.name.size(), field::kNameSize});
    std::copy_n(edits.name.begin(), length, out.begin() + field::kName);
    if (length < field::kNameSize)
        out[field::kName + length] = 0;

    out[field::kType] = static_cast<std::uint8_t>(DatagramType::ConfigurationWrite);
    return out;
}

TerminalDatagram resetDatagram(const TerminalRecord& record, std::uint8_t newId) {
    TerminalDatagram out = record.bytes();
    out[field::kId] = newId;
    out[field::kMac + 5] = newId;
    out[field::kType] = static_cast<std::uint8_t>(DatagramType::Reset);
    return out;
}

} // namespace terminal_setup
