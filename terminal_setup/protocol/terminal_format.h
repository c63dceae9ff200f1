#pragma once

#include "terminal_setup/protocol/terminal_datagram.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace terminal_setup {

// Texts shown for a terminal's fields, all UTF-8.

// The terminals' text fields are bytes in whatever code page their owner used. Shown so that
// nothing is lost: every valid UTF-8 sequence as the character it encodes, and every other byte
// as the Latin-1 character of the same value (0xC4 shows "Ä"), so no byte is ever dropped or
// merged with its neighbour. The shown text is never turned back into bytes: writes take the
// record's own bytes for a name that was not edited.
std::string decodeText(std::string_view bytes);

std::string formatId(std::uint8_t id);                 // "%d": 0 to 255
std::string formatName(const TerminalRecord& record);  // "%.6s" of the name bytes, decoded
std::string formatModel(const TerminalRecord& record); // "%.3s" of the model bytes, decoded
std::string formatIpv4(const Ipv4Bytes& address);      // "%u.%u.%u.%u", first byte first
std::string formatMac(const MacBytes& mac);            // "%02X%02X－%02X%02X－%02X%02X"
std::string formatVersion(std::uint8_t version);       // "%d.%d": high nibble, low nibble
std::string formatPort(std::uint16_t port);            // "%u"

// The full-width hyphen U+FF0D between the MAC groups, in UTF-8.
inline constexpr std::string_view kFullWidthHyphen = "\xEF\xBC\x8D";

} // namespace terminal_setup
