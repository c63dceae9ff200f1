#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The matrix switcher's side of the frame format, written independently of the controller's
// own frame code so that tests running one against the other check both.
namespace sim {

inline constexpr std::uint8_t kHeaderBA = 0xBA;
inline constexpr std::uint8_t kHeader96 = 0x96;
inline constexpr std::uint8_t kEveryDevice = 0xFF;

// Command codes the device understands or sends.
enum Command : std::uint8_t {
    kSwitch = 0x01,
    kReadSwitch = 0x02,
    kSaveScene = 0x11,
    kIdentity = 0x14,
    kLoadScene = 0x15,
    kNewAddress = 0x16,
    kBaudRate = 0x18,
    kCycleScenes = 0x19,
    kCycle = 0x1A,
    kCycleInterval = 0x1B,
    kOutputVideo = 0x1C,
    kInputProperty = 0x1D,
    kInputReport = 0x1E,
};

// A frame is header, address, command, length L, L-1 data bytes and the sum; L+4 bytes.
inline constexpr std::size_t kFrameOverhead = 4;

// Low 8 bits of the sum of `bytes`.
std::uint8_t FrameSum(std::span<const std::uint8_t> bytes);

// Identity and video-property requests arrive with 0x00 where the sum belongs.
bool ArrivesWithoutSum(std::uint8_t command);

// A whole frame with its sum.
std::vector<std::uint8_t> MakeFrame(std::uint8_t header, std::uint8_t address, std::uint8_t command,
                                    std::span<const std::uint8_t> data);

} // namespace sim
