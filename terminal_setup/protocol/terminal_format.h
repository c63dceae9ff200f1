#pragma once

#include "terminal_setup/protocol/terminal_datagram.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace terminal_setup {

// Texts shown for a terminal's fields, all UTF-8.

std::string formatId(std::uint8_t id); // "%d": 0 to 255
// "%.6s" and "%.3s" of the name and model bytes, read as GBK (see gbk_text.h): every byte shows,
// one that is not part of a GBK character as U+FFFD.
std::string formatName(const TerminalRecord& record);
std::string formatModel(const TerminalRecord& record);
std::string formatIpv4(const Ipv4Bytes& address); // "%u.%u.%u.%u", first byte first
std::string formatMac(const MacBytes& mac);       // "%02X%02X－%02X%02X－%02X%02X"
std::string formatVersion(std::uint8_t version);  // "%d.%d": high nibble, low nibble
std::string formatPort(std::uint16_t port);       // "%u"

// The full-width hyphen U+FF0D between the MAC groups, in UTF-8.
inline constexpr std::string_view kFullWidthHyphen = "\xEF\xBC\x8D";

} // namespace terminal_setup
