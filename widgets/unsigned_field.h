#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace widgets {

// The dialogs' rule for an edit that holds an unsigned number: decimal digits with blanks (space,
// tab, line breaks) allowed around them. An empty or blank field, a sign (minus or plus), any
// other character, or a value above 4294967295 is not a number.
std::optional<unsigned> parseUnsignedField(std::string_view text);

// Both bounds included.
constexpr bool isInRange(unsigned value, unsigned min, unsigned max) {
    return value >= min && value <= max;
}

// The standard prompts of the dialogs' field checks, typographic quotes included.
std::string notUnsignedPrompt();
std::string outOfRangePrompt(unsigned min, unsigned max);

} // namespace widgets
