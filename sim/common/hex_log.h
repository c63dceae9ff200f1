#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

namespace sim {

// Bytes as upper-case hex pairs separated by blanks: "BA 01 14 02 00 00".
std::string ToHex(std::span<const std::uint8_t> bytes);

// One line per event, each starting with a wall-clock timestamp ("14:03:07.125"), flushed at
// once so that a test or an operator watching the file sees every frame as it happens.
class HexLog {
public:
    // Logs to standard output until OpenFile succeeds.
    HexLog();
    ~HexLog();
    HexLog(const HexLog&) = delete;
    HexLog& operator=(const HexLog&) = delete;

    // Appends to `path` from now on. False (and the log stays where it was) if it cannot be
    // opened.
    bool OpenFile(const std::string& path);
    // Empties the log file, so that it tells only what happens from now on; nothing on
    // standard output.
    void Clear();

    // "<time> <tag> <hex bytes>", e.g. "14:03:07.125 serial rx BA 01 11 03 00 01 D0".
    void Bytes(std::string_view tag, std::span<const std::uint8_t> bytes);
    // "<time> <text>".
    void Line(std::string_view text);

private:
    std::FILE* m_out;
    bool m_ownsFile = false;
};

} // namespace sim
