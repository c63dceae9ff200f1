#pragma once

#include "terminal_setup/protocol/terminal_datagram.h"
#include "terminal_setup/ui/setup_page_values.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace terminal_setup {

// How the setup dialog turns what its pages and edits hold into the values of a configuration
// write or a reset. Plain functions: no widgets, no sockets.

// The number a text starts with, read the lenient way of the ID and host port boxes: leading
// blanks, at most one sign, then digits up to the first non-digit; 0 when there are no digits.
// Digits beyond 32 bits wrap around as 32-bit arithmetic would, so the low bits that the
// datagram takes are always those of the typed number.
std::int32_t decimalPrefixValue(std::string_view text);

// `text` (UTF-8) cut to at most `maxBytes` bytes without splitting a character: a character
// that does not fit whole is left out.
std::string cutUtf8(std::string_view text, std::size_t maxBytes);

// The name bytes a configuration write carries. A name nobody edited (the page still holds the
// text the dialog opened with) goes back as the record's own bytes, whatever code page they are
// in; an edited one is sent as UTF-8, cut to the field's 6 bytes.
std::string nameBytesToSend(const std::string& pageName, const std::string& initialName,
                            const TerminalRecord& record);

// Everything a configuration write takes from the pages. A combo box left without a selection
// (the terminal reported a value outside the list) keeps the record's byte, so a write never
// invents a work mode or baud rate. The disconnect time and the multicast text enter nothing.
TerminalEdits editsFromPages(const TerminalRecord& record, const std::string& initialName,
                             const BasicSetValues& basic, const NetSetValues& net,
                             const ComSetValues& com, const OtherSetValues& other);

// The new ID of a reset typed in the ID box: its decimal prefix, low 8 bits ("300" gives 44).
std::uint8_t resetIdFromText(std::string_view idText);

// The ID of a reset given by automatic increase: the raised counter's low 8 bits.
inline std::uint8_t resetIdFromCounter(std::uint32_t counter) {
    return static_cast<std::uint8_t>(counter & 0xFF);
}

} // namespace terminal_setup
