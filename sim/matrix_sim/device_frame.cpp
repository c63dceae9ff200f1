#include "sim/matrix_sim/device_frame.h"

namespace sim {

std::uint8_t FrameSum(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (std::uint8_t b : bytes)
        sum += b;
    return static_cast<std::uint8_t>(sum & 0xFF);
}

bool ArrivesWithoutSum(std::uint8_t command) {
    return command == kIdentity || command == kOutputVideo || command == kInputProperty;
}

std::vector<std::uint8_t> MakeFrame(std::uint8_t header, std::uint8_t address, std::uint8_t command,
                                    std::span<const std::uint8_t> data) {
    // Built byte by byte: GCC 12 at -O2 warns falsely (array-bounds) about inserting a span
    // behind an initializer list.
    std::vector<std::uint8_t> frame;
    frame.reserve(kFrameOverhead + data.size());
    frame.push_back(header);
    frame.push_back(address);
    frame.push_back(command);
    frame.push_back(static_cast<std::uint8_t>(data.size() + 1));
    for (std::uint8_t b : data)
        frame.push_back(b);
    frame.push_back(FrameSum(frame));
    return frame;
}

} // namespace sim
