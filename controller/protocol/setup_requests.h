#pragma once

#include "controller/protocol/command_frame.h"

#include <cstdint>

namespace controller {

// The Setup dialog's requests. Two builders stand behind them and they differ on purpose:
// the configuration requests (0x16, 0x18, 0x19, 0x1B) always start with 0xBA and end with the
// checksum; the video-property requests (0x1C, 0x1D) take the selectable header, are always
// 9 bytes and end with 0x00. None can fail.

// Property codes of the output video property request.
namespace output_property {
inline constexpr std::uint8_t kBrightness = 0xB1;
inline constexpr std::uint8_t kContrast = 0xB2;
inline constexpr std::uint8_t kSaturation = 0xB3;
inline constexpr std::uint8_t kResetAll = 0xB4; // value 0
} // namespace output_property

// Property codes of the input property request.
namespace input_property {
inline constexpr std::uint8_t kEdid = 0x0C;        // value: EDID list index
inline constexpr std::uint8_t kCrop = 0x0D;        // value: 0 "NO", 1 "YES"
inline constexpr std::uint8_t kAspectRatio = 0x0E; // value: aspect-ratio list index
inline constexpr std::uint8_t kAdc = 0x0F;         // value 0
inline constexpr std::uint8_t kRead = 0x11;        // value kReadValue; answered with 0x1E
inline constexpr std::uint8_t kReadValue = 0xFF;
} // namespace input_property

// Change the device's baud rate: BA, address, 18, 03, 00, code, checksum, with the code the
// position in the Setup dialog's baud list (0 9600, 1 4800, 2 2400, 3 19200). The frame's
// route() is LinkRoute::SerialOnly: it must never be sent as a datagram.
CommandFrame changeBaudRequest(std::uint8_t address, std::uint8_t baudCode);

// Give every device on the line a new address: BA, FF, 16, 03, 00, newAddress, checksum.
CommandFrame changeAddressRequest(std::uint8_t newAddress);

// Choose the scenes of the device's cycle: BA, address, 19, 04, 00, high byte, low byte,
// checksum; bit i of mask stands for scene i + 1.
CommandFrame cycleScenesRequest(std::uint8_t address, std::uint16_t mask);

// Set the cycle interval: BA, address, 1B, 03, 00, interval, checksum.
CommandFrame cycleIntervalRequest(std::uint8_t address, std::uint8_t interval);

// Output video property: selectable header, address, 1C, 05, 00, property, value, channel, 00.
// channel counts from 0.
CommandFrame outputPropertyRequest(int protocolType, std::uint8_t address, std::uint8_t property,
                                   std::uint8_t value, std::uint8_t channel);

// Input property: selectable header, address, 1D, 05, 00, property, value, channel, 00.
CommandFrame inputPropertyRequest(int protocolType, std::uint8_t address, std::uint8_t property,
                                  std::uint8_t value, std::uint8_t channel);

} // namespace controller
