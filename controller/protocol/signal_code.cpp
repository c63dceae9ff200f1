#include "controller/protocol/signal_code.h"

#include <array>

namespace controller {

namespace {

constexpr int kMatrixTypeCount = 6;
constexpr int kAvModeCount = 3;

// Rows: matrix type list index; columns: AV mode.
constexpr std::array<std::array<std::uint8_t, kAvModeCount>, kMatrixTypeCount> kCodes{{
    {signal_code::kAv, signal_code::kVideo, signal_code::kAudio},     // AV Matrix
    {signal_code::kVgaAudio, signal_code::kVga, signal_code::kAudio}, // VGA Matrix
    {signal_code::kDvi, signal_code::kDvi, signal_code::kDvi},        // DVI Matrix
    {signal_code::kHdmi, signal_code::kHdmi, signal_code::kHdmi},     // HDMI Matrix
    {signal_code::kSdi, signal_code::kSdi, signal_code::kSdi},        // SDI Matrix
    {signal_code::kHdmi, signal_code::kHdmi, signal_code::kHdmi},     // Hybrid matrix
}};

constexpr std::array<std::string_view, 9> kNames{
    "VGA Matrix", "Video Matrix", "Audio Matrix", "VGA+Audio Matrix", "AV Matrix",
    "DVI Matrix", "HDMI Matrix",  "SDI Matrix",   "Hybrid matrix",
};

} // namespace

std::uint8_t signalCode(int matrixType, int avMode) {
    if (matrixType < 0 || matrixType >= kMatrixTypeCount) {
        return signal_code::kVideo;
    }
    if (matrixType <= 1 && (avMode < 0 || avMode >= kAvModeCount)) {
        return 0x00;
    }
    // The other types ignore the AV mode entirely, whatever its value.
    const auto& row = kCodes[static_cast<std::size_t>(matrixType)];
    return matrixType <= 1 ? row[static_cast<std::size_t>(avMode)] : row[0];
}

std::string_view signalCodeName(std::uint8_t code) {
    if (code < signal_code::kVga || code > signal_code::kHybrid) {
        return {};
    }
    return kNames[code - signal_code::kVga];
}

} // namespace controller
