#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace controller {

// Start bytes of a frame. Which one a request carries depends on its command (see HeaderChoice).
inline constexpr std::uint8_t kHeaderBA = 0xBA;
inline constexpr std::uint8_t kHeader96 = 0x96;

// Address that every device on the line answers to.
inline constexpr std::uint8_t kBroadcastAddress = 0xFF;

// Command codes, both directions.
namespace command {
inline constexpr std::uint8_t kSwitch = 0x01;
inline constexpr std::uint8_t kReadSwitch = 0x02;
inline constexpr std::uint8_t kSaveScene = 0x11;
inline constexpr std::uint8_t kReadIdentity = 0x14;
inline constexpr std::uint8_t kLoadScene = 0x15;
inline constexpr std::uint8_t kChangeAddress = 0x16;
inline constexpr std::uint8_t kChangeBaud = 0x18;
inline constexpr std::uint8_t kCycleScenes = 0x19;
inline constexpr std::uint8_t kCycle = 0x1A;
inline constexpr std::uint8_t kCycleInterval = 0x1B;
inline constexpr std::uint8_t kOutputProperty = 0x1C;
inline constexpr std::uint8_t kInputProperty = 0x1D;
inline constexpr std::uint8_t kInputPropertiesReport = 0x1E;
inline constexpr std::uint8_t kEquipmentFirst = 0xA0;
inline constexpr std::uint8_t kEquipmentLast = 0xA7;
} // namespace command

// Whether a request starts with the header chosen by ProtocolType or always with 0xBA.
// Save, load, cycling and the Setup dialog's configuration requests always go out with 0xBA,
// whatever ProtocolType says; replies are still checked against the selectable header.
enum class HeaderChoice { Selectable, FixedBA };

// Which links a built request may travel on. The device baud-rate change is meant for the line
// Brisvane's own serial port drives, so it never goes out as a datagram.
enum class LinkRoute { AllLinks, SerialOnly };

// The selectable header: 0xBA when protocolType is 0, 0x96 for any other value.
std::uint8_t selectableHeader(int protocolType);

// Low 8 bits of the arithmetic sum of the bytes.
std::uint8_t checksum(std::span<const std::uint8_t> bytes);

// True for the requests whose last byte is sent as 0x00 instead of the checksum (read identity
// and the two video-property requests).
bool carriesZeroTrailer(std::uint8_t command);

// One complete frame: header, address, command, L, data, checksum (L + 4 bytes). A plain value
// built whole; it owns its bytes, so it may be kept, copied and sent on each link in turn.
class CommandFrame {
public:
    static constexpr std::size_t kMaxDataBytes = 254; // L is one byte and counts the checksum
    static constexpr std::size_t kMaxBytes = kMaxDataBytes + 5;

    // Builds header, address, command, L = data.size() + 1, data, then the checksum, or 0x00
    // when carriesZeroTrailer(command). Returns nullopt only when data holds more than
    // kMaxDataBytes bytes, which no length byte can announce.
    static std::optional<CommandFrame> build(std::uint8_t header, std::uint8_t address,
                                             std::uint8_t command,
                                             std::span<const std::uint8_t> data,
                                             LinkRoute route = LinkRoute::AllLinks);

    std::span<const std::uint8_t> bytes() const { return {m_bytes.data(), m_size}; }
    std::vector<std::uint8_t> toVector() const {
        return {m_bytes.begin(), m_bytes.begin() + m_size};
    }
    std::size_t size() const { return m_size; }
    // Byte i of the frame; throws std::out_of_range when i >= size().
    std::uint8_t operator[](std::size_t i) const { return m_bytes.at(i < m_size ? i : kMaxBytes); }
    std::uint8_t header() const { return m_bytes[0]; }
    std::uint8_t address() const { return m_bytes[1]; }
    std::uint8_t command() const { return m_bytes[2]; }
    LinkRoute route() const { return m_route; }

    bool operator==(const CommandFrame& other) const {
        return m_route == other.m_route && std::ranges::equal(bytes(), other.bytes());
    }

private:
    CommandFrame() = default;

    std::array<std::uint8_t, kMaxBytes> m_bytes{};
    std::size_t m_size = 0;
    LinkRoute m_route = LinkRoute::AllLinks;
};

// Builds a frame whose header follows `choice`: the selectable header for protocolType, or 0xBA.
// Returns nullopt only when data is longer than CommandFrame::kMaxDataBytes.
std::optional<CommandFrame> buildFrame(HeaderChoice choice, int protocolType, std::uint8_t address,
                                       std::uint8_t command, std::span<const std::uint8_t> data,
                                       LinkRoute route = LinkRoute::AllLinks);

// The links one frame goes out on, serial first.
struct LinkTargets {
    bool serial = false;
    bool network = false;
    bool operator==(const LinkTargets&) const = default;
};

// The serial link when the port is open; the network link when "Use Net" is on and the frame
// may travel there. A serial-only frame with the port closed goes nowhere, silently.
LinkTargets linksFor(const CommandFrame& frame, bool serialOpen, bool useNet);

} // namespace controller
