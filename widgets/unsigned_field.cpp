#include "widgets/unsigned_field.h"

#include <cstdint>
#include <limits>

namespace widgets {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

constexpr std::uint64_t kMaxValue = std::numeric_limits<std::uint32_t>::max();

std::string replaceAll(std::string text, std::string_view from, const std::string& to) {
    for (std::size_t pos = text.find(from); pos != std::string::npos;
         pos = text.find(from, pos + to.size()))
        text.replace(pos, from.size(), to);
    return text;
}

} // namespace

std::optional<unsigned> parseUnsignedField(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    std::uint64_t value = 0;
    const std::size_t firstDigit = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + static_cast<std::uint64_t>(text[pos] - '0');
        if (value > kMaxValue)
            return std::nullopt;
        ++pos;
    }
    if (pos == firstDigit)
        return std::nullopt;
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    if (pos != text.size())
        return std::nullopt;
    return static_cast<unsigned>(value);
}

std::string notUnsignedPrompt() {
    return "“请填入一个正整数。”";
}

std::string outOfRangePrompt(unsigned min, unsigned max) {
    std::string text = "“请填入一个在%1和%2之间的整数。”";
    text = replaceAll(std::move(text), "%1", std::to_string(min));
    return replaceAll(std::move(text), "%2", std::to_string(max));
}

} // namespace widgets
