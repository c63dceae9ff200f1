#pragma once

#include "controller/protocol/command_frame.h"

#include <cstdint>

namespace controller {

// The requests the main window sends itself: switching, read-back, identity, scenes, cycling.
// Each returns the whole frame, ready to be handed to every active link. None can fail.

// Largest grid: 32 inputs by 32 outputs.
inline constexpr int kMaxPorts = 32;

// Port count of the size list index (0 4x4, 1 8x8, 2 16x16, 3 32x32). An index outside 0..3,
// which only a hand-edited settings file can hold, falls back to 4 so that the grid and the
// read-back request stay consistent.
int portCountForMatrixSize(int matrixSize);

// Switch input `input` to output `output` (both from 0): selectable header, address, 01, 04,
// signal code, output, input, checksum (8 bytes).
CommandFrame switchRequest(int protocolType, std::uint8_t address, std::uint8_t signalCode,
                           std::uint8_t output, std::uint8_t input);

// Read the whole switch state of a grid with portCount outputs: selectable header, address, 02,
// N + 2, signal code, 00, 01, ... N - 1, checksum (N + 6 bytes). portCount is clamped to
// 0..kMaxPorts.
CommandFrame readSwitchRequest(int protocolType, std::uint8_t address, std::uint8_t signalCode,
                               int portCount);

// Read the device identity: selectable header, FF, 14, 02, 00, 00. Always to every device, and
// its last byte is 0x00 rather than a checksum.
CommandFrame readIdentityRequest(int protocolType);

// Save the device's current crosspoints as scene n (1..16; 0 goes out unchanged when no scene
// was chosen): BA, address, 11, 03, 00, n, checksum.
CommandFrame saveSceneRequest(std::uint8_t address, std::uint8_t scene);

// Load scene n: BA, address, 15, 03, 00, n, checksum.
CommandFrame loadSceneRequest(std::uint8_t address, std::uint8_t scene);

// Start the device's own scene cycling: BA, address, 1A, 03, 00, 00, checksum.
CommandFrame startCycleRequest(std::uint8_t address);

// Stop it: BA, address, 1A, 03, 00, FF, checksum.
CommandFrame stopCycleRequest(std::uint8_t address);

} // namespace controller
