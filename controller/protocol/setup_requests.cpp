#include "controller/protocol/setup_requests.h"

#include <array>

namespace controller {

namespace {

// Configuration requests: 0xBA and a checksum whatever ProtocolType says.
CommandFrame setupFrame(std::uint8_t address, std::uint8_t command,
                        std::span<const std::uint8_t> data, LinkRoute route = LinkRoute::AllLinks) {
    return *buildFrame(HeaderChoice::FixedBA, 0, address, command, data, route);
}

// Video-property requests: selectable header; the trailing 0x00 comes from the command code.
CommandFrame videoPropertyFrame(int protocolType, std::uint8_t address, std::uint8_t command,
                                std::uint8_t property, std::uint8_t value, std::uint8_t channel) {
    const std::array<std::uint8_t, 4> data{0x00, property, value, channel};
    return *buildFrame(HeaderChoice::Selectable, protocolType, address, command, data);
}

} // namespace

CommandFrame changeBaudRequest(std::uint8_t address, std::uint8_t baudCode) {
    const std::array<std::uint8_t, 2> data{0x00, baudCode};
    return setupFrame(address, command::kChangeBaud, data, LinkRoute::SerialOnly);
}

CommandFrame changeAddressRequest(std::uint8_t newAddress) {
    const std::array<std::uint8_t, 2> data{0x00, newAddress};
    return setupFrame(kBroadcastAddress, command::kChangeAddress, data);
}

CommandFrame cycleScenesRequest(std::uint8_t address, std::uint16_t mask) {
    const std::array<std::uint8_t, 3> data{0x00, static_cast<std::uint8_t>(mask >> 8),
                                           static_cast<std::uint8_t>(mask & 0xFF)};
    return setupFrame(address, command::kCycleScenes, data);
}

CommandFrame cycleIntervalRequest(std::uint8_t address, std::uint8_t interval) {
    const std::array<std::uint8_t, 2> data{0x00, interval};
    return setupFrame(address, command::kCycleInterval, data);
}

CommandFrame outputPropertyRequest(int protocolType, std::uint8_t address, std::uint8_t property,
                                   std::uint8_t value, std::uint8_t channel) {
    return videoPropertyFrame(protocolType, address, command::kOutputProperty, property, value,
                              channel);
}

CommandFrame inputPropertyRequest(int protocolType, std::uint8_t address, std::uint8_t property,
                                  std::uint8_t value, std::uint8_t channel) {
    return videoPropertyFrame(protocolType, address, command::kInputProperty, property, value,
                              channel);
}

} // namespace controller
