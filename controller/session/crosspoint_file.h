#pragma once

#include "platform/json_string.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace controller {

// One crosspoint as the operator counts: output `output` fed by input `input`, both from 1.
struct NumberedCrosspoint {
    int output = 0;
    int input = 0;
    bool operator==(const NumberedCrosspoint&) const = default;
};

// The crosspoints of one matrix, as dump writes and restore reads them:
//   {"size": 4, "address": 1, "crosspoints": [{"output": 1, "input": 3}, ...]}
struct CrosspointFile {
    int size = 0;    // 4, 8, 16 or 32
    int address = 1; // 1 to 8, or 255
    std::vector<NumberedCrosspoint> crosspoints;
    bool operator==(const CrosspointFile&) const = default;
};

// Exactly the layout above, on one line, crosspoints in the order given.
std::string crosspointJson(const CrosspointFile& file);

// Reads what crosspointJson writes, and any JSON of the same shape (other spacing, key order,
// extra keys). Nullopt, with `error` saying what is wrong in one line, for anything else: a size
// that is not 4, 8, 16 or 32, an address outside 1 to 8 and 255, an output or input outside
// 1 to size, an output named twice.
std::optional<CrosspointFile> parseCrosspointJson(const std::string& text, std::string& error);

// The crosspoints a read-back (0x02) reply reports for a `size` × `size` matrix at `address`,
// in output order; an output the reply does not name is left out.
CrosspointFile crosspointsFromReadBack(std::span<const std::uint8_t> frame, int size, int address);

// An output of a restore that does not show the input the file asks for.
struct NotTaken {
    int output = 0;
    int wanted = 0;
    std::optional<int> shown; // what the read-back says it shows; none when it does not say
    bool operator==(const NotTaken&) const = default;
};

// Every crosspoint of `wanted` that `readBack` does not show, in the file's order.
std::vector<NotTaken> crosspointsNotTaken(const CrosspointFile& wanted,
                                          const CrosspointFile& readBack);

// One line for the operator, empty when `missed` is:
//   "outputs 3 and 5 did not take: output 3 shows input 1, not 2; output 5 shows no input, not 4"
std::string notTakenText(const std::vector<NotTaken>& missed);

using platform::jsonString;

} // namespace controller
