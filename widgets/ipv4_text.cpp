#include "widgets/ipv4_text.h"

namespace widgets {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

constexpr std::size_t kMaxDigits = 3;
constexpr unsigned kMaxPart = 255;

} // namespace

std::optional<Ipv4Bytes> parseDottedIpv4(std::string_view text) {
    text = trimBlanks(text);
    Ipv4Bytes bytes{};
    std::size_t pos = 0;
    for (std::size_t part = 0; part < bytes.size(); ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.')
                return std::nullopt;
            ++pos;
        }
        unsigned value = 0;
        std::size_t digits = 0;
        while (pos < text.size() && isDigit(text[pos])) {
            if (++digits > kMaxDigits)
                return std::nullopt;
            value = value * 10 + static_cast<unsigned>(text[pos] - '0');
            ++pos;
        }
        if (digits == 0 || value > kMaxPart)
            return std::nullopt;
        bytes[part] = static_cast<std::uint8_t>(value);
    }
    if (pos != text.size())
        return std::nullopt;
    return bytes;
}

Ipv4Bytes ipv4FromText(std::string_view text) {
    return parseDottedIpv4(text).value_or(kNoAddress);
}

std::string formatIpv4(const Ipv4Bytes& bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            out += '.';
        out += std::to_string(static_cast<unsigned>(bytes[i]));
    }
    return out;
}

} // namespace widgets
