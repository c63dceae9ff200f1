#pragma once

#include <cstdint>
#include <string_view>

namespace controller {

// The signal layer byte of switch and read requests, and the device type in identity and
// equipment replies.
namespace signal_code {
inline constexpr std::uint8_t kVga = 0xA0;
inline constexpr std::uint8_t kVideo = 0xA1;
inline constexpr std::uint8_t kAudio = 0xA2;
inline constexpr std::uint8_t kVgaAudio = 0xA3;
inline constexpr std::uint8_t kAv = 0xA4;
inline constexpr std::uint8_t kDvi = 0xA5;
inline constexpr std::uint8_t kHdmi = 0xA6;
inline constexpr std::uint8_t kSdi = 0xA7;
inline constexpr std::uint8_t kHybrid = 0xA8;
} // namespace signal_code

// Entries of the matrix type list; the settings store the index.
inline constexpr int kMatrixTypeHybrid = 5;

// SignalCode for the matrix type list index and the AV mode (0 video and audio, 1 video,
// 2 audio). Only "AV Matrix" (0) and "VGA Matrix" (1) have separate layers; they give 0x00
// for an AV mode outside 0..2. A type outside 0..5 gives 0xA1. A hybrid matrix is switched with
// the HDMI code 0xA6; 0xA8 only names the type in identity replies.
std::uint8_t signalCode(int matrixType, int avMode);

// Name of a SignalCode as identity and equipment replies show it ("HDMI Matrix" for 0xA6);
// empty for any byte outside 0xA0..0xA8.
std::string_view signalCodeName(std::uint8_t code);

} // namespace controller
