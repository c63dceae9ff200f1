#pragma once

#include "terminal_setup/protocol/terminal_datagram.h"

#include <array>
#include <cstdint>
#include <optional>
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
// The reverse: four decimal numbers 0 to 255 of one to three digits, joined by single dots,
// blanks allowed around the whole. Shortened forms ("10.1"), signs and anything else: nothing.
std::optional<Ipv4Bytes> parseIpv4(std::string_view text);
std::string formatMac(const MacBytes& mac);      // "%02X%02X－%02X%02X－%02X%02X"
std::string formatVersion(std::uint8_t version); // "%d.%d": high nibble, low nibble
std::string formatPort(std::uint16_t port);      // "%u"

// The work-mode and baud lists of the setup pages, in order: a position is the value a record
// carries.
inline constexpr std::array<const char*, 4> kWorkModeCaptions = {"TCP  Server", "TCP  Client",
                                                                 "UDP ", "UDP Multicast"};
inline constexpr std::array<const char*, 13> kBaudCaptions = {
    "110",   "300",   "600",   "1200",  "2400",  "4800",  "9600",
    "14400", "19200", "38400", "56000", "57600", "115200"};
inline constexpr const char* kSpecifyIpCaption = "Specify IP";
inline constexpr const char* kUseDhcpCaption = "Use DHCP ";

// The caption at that position of its list. A value outside the list, which the pages show as an
// empty choice, is kept visible as "unknown (N)" so that no reported byte is lost from a record.
std::string formatWorkMode(std::uint8_t mode);
std::string formatBaud(std::uint8_t baudIndex);

// The full-width hyphen U+FF0D between the MAC groups, in UTF-8.
inline constexpr std::string_view kFullWidthHyphen = "\xEF\xBC\x8D";

} // namespace terminal_setup
