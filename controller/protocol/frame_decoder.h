#pragma once

#include "controller/protocol/frame_shapes.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace controller {

enum class PortKind { Input, Output };

// The operator's name of an input or output, numbered from 1 as on screen; an empty string when
// the port has none. Any text is accepted: the decoder makes it safe for one line.
using PortNamer = std::function<std::string(PortKind kind, int number)>;

// Every byte as two upper-case hex digits, separated by single blanks: "BA 01 01 04 A6 04 02 6C".
// Empty for no bytes.
std::string hexBytes(std::span<const std::uint8_t> bytes);

// One line of words for `bytes`, read as one frame going `direction`: what it asks or reports,
// inputs and outputs counted from 1 (with their names when `names` gives one), then in brackets
// the address it carries, a 0x96 header, a wrong checksum and any bytes after the frame:
//   "switch input 3 → output 5, HDMI Matrix (device 1)"
//   "identity: HDMI Matrix 16 × 16, address 1 (device 1)"
//   "save scene 1 (all devices, checksum 0x12, expected 0xCF)"
// Read identity and the two video-property requests may carry 0x00 instead of a checksum, and a
// reply whose last byte is data (identity, the shortest equipment and report replies) has none:
// neither is noted. A frame is known when its command and length fit frameShape, the same
// shapes dispatch acts on. Bytes that are not a frame this protocol knows in
// that direction, or whose length byte does not fit the command, come out as
// "unknown: BA 01 77 02 00 34"; fewer bytes than the length byte announces as
// "incomplete, 6 of 9 bytes: BA 01 ...". Never reads past `bytes`; the result is valid UTF-8 and
// holds no line break whatever the names contain.
std::string describeFrame(std::span<const std::uint8_t> bytes, FrameDirection direction,
                          const PortNamer& names = {});

} // namespace controller
