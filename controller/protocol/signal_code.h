#pragma once

#include "controller/protocol/matrix_kinds.h"

#include <cstdint>
#include <string_view>

namespace controller {

// SignalCode for the matrix type list index and the AV mode (0 video and audio, 1 video,
// 2 audio), as kMatrixKinds gives it. A kind with separate layers gives kUnlistedModeSignal for
// an AV mode outside 0..2; the others ignore the mode. A type outside the list gives
// kUnlistedTypeSignal.
std::uint8_t signalCode(int matrixType, int avMode);

// Name of a SignalCode as identity and equipment replies show it ("HDMI Matrix" for 0xA6);
// empty for any byte outside 0xA0..0xA8.
std::string_view signalCodeName(std::uint8_t code);

} // namespace controller
