#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace terminal_setup {

// The one datagram the terminals understand: 60 bytes, the same layout in both directions.
inline constexpr std::size_t kDatagramSize = 60;
using TerminalDatagram = std::array<std::uint8_t, kDatagramSize>;

using Ipv4Bytes = std::array<std::uint8_t, 4>; // first number first, as the address is written
using MacBytes = std::array<std::uint8_t, 6>;  // first byte first

enum class DatagramType : std::uint8_t {
    ScanRequest = 1,
    ConfigurationWrite = 2,
    Reset = 3,
    TerminalReport = 16,
};

// Byte offsets of the fields.
namespace field {
inline constexpr std::size_t kMagic = 0; // 0xEF 0xFE
inline constexpr std::size_t kHeader = 2;
inline constexpr std::size_t kType = 3;
inline constexpr std::size_t kMac = 4;
inline constexpr std::size_t kIpAddress = 10;
inline constexpr std::size_t kMulticastAddress = 14;
inline constexpr std::size_t kHostIp = 18;
inline constexpr std::size_t kGateway = 22;
inline constexpr std::size_t kSubnetMask = 26;
inline constexpr std::size_t kLocalPort = 30; // 16 bits, low byte first
inline constexpr std::size_t kHostPort = 32;  // 16 bits, low byte first
inline constexpr std::size_t kWorkMode = 34;
inline constexpr std::size_t kBaudIndex = 35;
inline constexpr std::size_t kId = 36;
inline constexpr std::size_t kName = 37;
inline constexpr std::size_t kNameSize = 6;
inline constexpr std::size_t kModel = 43;
inline constexpr std::size_t kModelSize = 3;
inline constexpr std::size_t kAddressMode = 46;
inline constexpr std::size_t kOpaque = 47;
inline constexpr std::size_t kOpaqueSize = 7;
inline constexpr std::size_t kSoftwareVersion = 54;
inline constexpr std::size_t kHardwareVersion = 55;
inline constexpr std::size_t kDnsServer = 56;
} // namespace field

inline constexpr std::uint8_t kMagic0 = 0xEF;
inline constexpr std::uint8_t kMagic1 = 0xFE;

// A copy of an accepted terminal report. It can only be made by acceptReport(), so it always
// starts EF FE, carries type 16, and is never changed afterwards: writes and resets are built
// from copies of it so that every byte the tool does not understand goes back as reported.
class TerminalRecord {
public:
    const TerminalDatagram& bytes() const { return m_bytes; }

    std::uint8_t header() const { return m_bytes[field::kHeader]; }
    MacBytes mac() const;
    Ipv4Bytes ipAddress() const { return ipv4At(field::kIpAddress); }
    Ipv4Bytes multicastAddress() const { return ipv4At(field::kMulticastAddress); }
    Ipv4Bytes hostIp() const { return ipv4At(field::kHostIp); }
    Ipv4Bytes gateway() const { return ipv4At(field::kGateway); }
    Ipv4Bytes subnetMask() const { return ipv4At(field::kSubnetMask); }
    Ipv4Bytes dnsServer() const { return ipv4At(field::kDnsServer); }
    std::uint16_t localPort() const { return portAt(field::kLocalPort); }
    std::uint16_t hostPort() const { return portAt(field::kHostPort); }
    std::uint8_t workMode() const { return m_bytes[field::kWorkMode]; }
    std::uint8_t baudIndex() const { return m_bytes[field::kBaudIndex]; }
    std::uint8_t id() const { return m_bytes[field::kId]; }
    std::uint8_t addressMode() const { return m_bytes[field::kAddressMode]; }
    bool usesDhcp() const { return addressMode() != 0; }
    std::uint8_t softwareVersion() const { return m_bytes[field::kSoftwareVersion]; }
    std::uint8_t hardwareVersion() const { return m_bytes[field::kHardwareVersion]; }

    // The text fields as raw bytes: up to the first zero byte, at most the field's size.
    std::string name() const { return textAt(field::kName, field::kNameSize); }
    std::string model() const { return textAt(field::kModel, field::kModelSize); }

    bool operator==(const TerminalRecord&) const = default;

private:
    friend std::optional<TerminalRecord> acceptReport(std::span<const std::uint8_t> received);
    explicit TerminalRecord(const TerminalDatagram& bytes) : m_bytes(bytes) {}

    Ipv4Bytes ipv4At(std::size_t offset) const;
    std::uint16_t portAt(std::size_t offset) const;
    std::string textAt(std::size_t offset, std::size_t size) const;

    TerminalDatagram m_bytes;
};

// The values of the setup pages that a configuration write carries. Indices and ports are kept
// as the pages hold them; only their low 8 or 16 bits reach the datagram (a combo box without a
// selection reports -1 and so sends 255).
struct TerminalEdits {
    Ipv4Bytes ipAddress{};
    Ipv4Bytes subnetMask{};
    std::uint32_t localPort = 0;
    int workMode = 0;
    bool dhcp = false;
    int baudIndex = 0;
    Ipv4Bytes hostIp{};
    Ipv4Bytes gateway{};
    std::int32_t hostPort = 0;
    // Raw bytes, written literally (a "%" is just a byte). Only the bytes before the first zero
    // byte count, as the name is a C string; a name that was not edited should be passed as the
    // record's own name() so that it goes back unchanged.
    std::string name;
    Ipv4Bytes dnsServer{};
};

// The 60-byte scan request: EF FE 01 01 and 56 zero bytes.
TerminalDatagram scanRequest();

// A received datagram is a terminal report when it has at least 60 bytes, starts EF FE and has
// type 16; nothing else is examined. Returns its first 60 bytes, or nothing for anything else.
std::optional<TerminalRecord> acceptReport(std::span<const std::uint8_t> received);

// The page values as they stand for a record nobody has edited yet.
TerminalEdits editsFromRecord(const TerminalRecord& record);

// A configuration write (type 2): the record with the edited fields written over it. The name
// takes at most 6 bytes; a shorter name is followed by one zero byte and the rest of the field
// keeps the record's bytes, so the name never reaches the model at byte 43.
TerminalDatagram configurationWrite(const TerminalRecord& record, const TerminalEdits& edits);

// A reset (type 3): the record with the new ID in byte 36 and in the last MAC byte (byte 9).
TerminalDatagram resetDatagram(const TerminalRecord& record, std::uint8_t newId);

} // namespace terminal_setup
