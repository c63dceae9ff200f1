#include "sim/matrix_sim/device_frame.h"

#include <array>
#include <cctype>
#include <cstdlib>

namespace sim {

namespace {

struct NamedType {
    std::uint8_t code;
    const char* name;
};

constexpr std::array<NamedType, 9> kTypes{{
    {0xA0, "VGA Matrix"},
    {0xA1, "Video Matrix"},
    {0xA2, "Audio Matrix"},
    {0xA3, "VGA+Audio Matrix"},
    {0xA4, "AV Matrix"},
    {0xA5, "DVI Matrix"},
    {0xA6, "HDMI Matrix"},
    {0xA7, "SDI Matrix"},
    {0xA8, "Hybrid matrix"},
}};

} // namespace

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

std::optional<std::uint8_t> TypeCodeFromName(const std::string& name) {
    for (const NamedType& t : kTypes) {
        if (name == t.name)
            return t.code;
    }
    std::string digits = name;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits = digits.substr(2);
    if (digits.empty() || digits.size() > 2)
        return std::nullopt;
    for (char c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
    }
    return static_cast<std::uint8_t>(std::strtoul(digits.c_str(), nullptr, 16));
}

std::string TypeName(std::uint8_t code) {
    for (const NamedType& t : kTypes) {
        if (code == t.code)
            return t.name;
    }
    return {};
}

} // namespace sim
