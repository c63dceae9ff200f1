#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim_test {

// "BA 01 14" <-> bytes, so that tables of frames read like the protocol's own examples and a
// failing comparison prints both sides legibly.
std::vector<std::uint8_t> FromHex(const std::string& text);
std::string ToHex(const std::vector<std::uint8_t>& bytes);

} // namespace sim_test
