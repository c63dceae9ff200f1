#pragma once

#include <cstdint>
#include <span>

namespace controller {

// Which way a frame travelled: a request the controller sent, or a reply from the device. The
// same command code means different things each way (0x01 asks for a switch, or reports one).
enum class FrameDirection { Request, Reply };

// What the last byte of a frame holds.
enum class Trailer {
    Sum,       // the checksum; a frame with L = 0 has none
    ZeroOrSum, // 0x00 in place of the checksum, as these requests are sent; a checksum is fine
    // The reply's fixed data fill the first minLength bytes after the length byte, so a frame
    // of exactly that length ends in data (the identity reply always does); a longer one ends
    // in the checksum.
    SumAfterData,
};

// A frame the protocol knows in one direction: its commands, the range of its length byte L and
// its last byte. Frame offsets: 0 header, 1 address, 2 command, 3 L, then L bytes.
struct FrameShape {
    std::uint8_t firstCommand;
    std::uint8_t lastCommand; // equipment replies share one shape: 0xA0 to 0xA7
    std::uint8_t minLength;
    std::uint8_t maxLength;
    Trailer trailer;
};

// The shape of `command` going `direction`; nullptr when no such frame goes that way.
const FrameShape* frameShape(FrameDirection direction, std::uint8_t command);

// True when `frame` holds all L + 4 bytes its length byte announces (more may follow) and L lies
// in the shape's range. Never reads past `frame`.
bool fitsShape(const FrameShape& shape, std::span<const std::uint8_t> frame);

// The shape `frame` has going `direction`, when its command has one and fitsShape holds;
// nullptr otherwise.
const FrameShape* shapeOf(std::span<const std::uint8_t> frame, FrameDirection direction);

// Whether the last byte of a frame of this shape with length byte `length` is a trailer
// (checksum or its 0x00 stand-in) rather than data.
bool endsInTrailer(const FrameShape& shape, unsigned length);

// The data of a frame that fits `shape`: the bytes from offset 4 up to the trailer, or up to the
// frame's end when it has none.
std::span<const std::uint8_t> frameData(const FrameShape& shape,
                                        std::span<const std::uint8_t> frame);

} // namespace controller
