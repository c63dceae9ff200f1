#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace widgets {

// An IPv4 address as four bytes, first number first.
using Ipv4Bytes = std::array<std::uint8_t, 4>;

// What text that is not an address turns into (the all-ones "no address" value).
inline constexpr Ipv4Bytes kNoAddress{255, 255, 255, 255};

// Reads a dotted IPv4 address: four decimal numbers of one to three digits, each 0..255, joined
// by single dots, with blanks (spaces, tabs) allowed before and after. Leading zeros are decimal
// ("010" is 10). Shortened forms ("10.1"), hexadecimal or octal parts, signs, empty parts and
// anything else are not addresses.
std::optional<Ipv4Bytes> parseDottedIpv4(std::string_view text);

// The address of `text`, or kNoAddress when it is not one (an empty text is not one either).
Ipv4Bytes ipv4FromText(std::string_view text);

// "%u.%u.%u.%u", first number first.
std::string formatIpv4(const Ipv4Bytes& bytes);

} // namespace widgets
