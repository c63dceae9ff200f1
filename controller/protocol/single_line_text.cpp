#include "controller/protocol/single_line_text.h"

#include <cstddef>
#include <cstdint>

namespace controller {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// Length of the well-formed character starting at text[at], with its code point; 0 when the
// bytes there are not one.
std::size_t wellFormedLength(std::string_view text, std::size_t at, char32_t* codePoint) {
    const auto lead = static_cast<std::uint8_t>(text[at]);
    std::size_t length = 0;
    char32_t value = 0;
    char32_t smallest = 0;
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
        smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        smallest = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - at < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<std::uint8_t>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return 0;
    }
    *codePoint = value;
    return length;
}

bool breaksTheLine(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

} // namespace

std::string singleLineText(std::string_view text) {
    std::string clean;
    clean.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        char32_t c = 0;
        const std::size_t length = wellFormedLength(text, at, &c);
        if (length == 0) {
            clean += kReplacement;
            ++at;
        } else if (breaksTheLine(c)) {
            clean += ' ';
            at += length;
        } else {
            clean.append(text, at, length);
            at += length;
        }
    }
    return clean;
}

} // namespace controller
