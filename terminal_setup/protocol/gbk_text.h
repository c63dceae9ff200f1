#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace terminal_setup {

// The terminals' texts (name, model) are bytes in GBK, code page 936: ASCII bytes stand for
// themselves, every other character takes a lead byte 0x81-0xFE and a trail byte 0x40-0xFE
// (not 0x7F); code page 936 adds the euro sign as the single byte 0x80. The conversions go
// through the system's GBK converter (ICU); where there is none, only ASCII passes.

// The text of `bytes`, in UTF-8. A byte that is not part of a valid GBK character is shown on
// its own as U+FFFD, so every byte stays visible and none is merged with its neighbour; the
// bytes themselves are not lost, since a name nobody edited goes back as the terminal's own.
std::string decodeGbk(std::string_view bytes);

// `utf8` in GBK, cut to at most `maxBytes` bytes without splitting a character. Nothing when a
// character of the text has no GBK form (U+FFFD included) or the text is not valid UTF-8.
std::optional<std::string> encodeGbk(std::string_view utf8, std::size_t maxBytes);

// Whether the system has a GBK converter.
bool gbkAvailable();

} // namespace terminal_setup
