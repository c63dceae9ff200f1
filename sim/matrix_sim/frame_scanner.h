#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sim {

// What the scanner found in the byte stream, in stream order.
struct ScannedBytes {
    enum class Kind {
        Frame,       // a whole frame whose sum is right (or 0x00 where a request may omit it)
        BadChecksum, // a frame-shaped run of bytes with a wrong sum; not to be acted on
        Noise,       // bytes that start no frame
    };
    Kind kind;
    std::vector<std::uint8_t> bytes;
};

// Cuts the bytes a device receives into frames, the way a device must on a line that may carry
// noise: it looks for a header byte, trusts the length byte only within the sizes a request can
// have, and checks the sum, so that garbage before a frame (or a false header inside garbage)
// costs at most the garbage itself.
//
// A false header followed by a plausible length can still hold back a real frame behind it
// until enough bytes arrive; the owner calls GiveUpPartial() when the line has been quiet for a
// while to drop that header and look again.
class FrameScanner {
public:
    // Longest length byte taken seriously: a read of the switch state of a 32x32 matrix has
    // L = 34; a little room is left above it.
    static constexpr std::uint8_t kMaxLength = 66;
    // Shortest: a request with no data besides the first byte.
    static constexpr std::uint8_t kMinLength = 2;

    // Appends `bytes` and reports everything that became complete.
    void Feed(std::span<const std::uint8_t> bytes, std::vector<ScannedBytes>* found);
    // True while the bytes at the head may still become a frame.
    bool HasPartial() const { return !m_buffer.empty(); }
    // Treats the first byte held as noise and scans the rest again.
    void GiveUpPartial(std::vector<ScannedBytes>* found);

private:
    void Scan(std::vector<ScannedBytes>* found);
    // Removes `count` bytes from the head; those not already shown as part of a rejected frame
    // go to `noise`.
    void Consume(std::size_t count, std::vector<std::uint8_t>* noise);

    std::vector<std::uint8_t> m_buffer;
    // Bytes at the head that were already reported inside a BadChecksum entry.
    std::size_t m_alreadyReported = 0;
};

} // namespace sim
