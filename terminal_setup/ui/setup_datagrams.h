#pragma once

#include "terminal_setup/protocol/terminal_datagram.h"
#include "terminal_setup/ui/setup_page_values.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace terminal_setup {

// How the setup dialog turns what its pages and edits hold into the values of a configuration
// write or a reset. Plain functions: no widgets, no sockets.

// The number a text starts with: leading blanks, at most one sign, then digits up to the first
// non-digit; 0 when there are no digits. The host port box's text is read so once the Other page
// has accepted it.
// Digits beyond 32 bits wrap around as 32-bit arithmetic would, so the low bits that the
// datagram takes are always those of the typed number.
std::int32_t decimalPrefixValue(std::string_view text);

// The name bytes a configuration write carries. A name nobody edited (the page still holds the
// text the dialog opened with) goes back as the record's own bytes, whatever they are; an edited
// one is sent in GBK, the terminals' code page, cut to the field's 6 bytes without splitting a
// character. Nothing when an edited name holds a character that GBK cannot.
std::optional<std::string> nameBytesToSend(const std::string& pageName,
                                           const std::string& initialName,
                                           const TerminalRecord& record);

// Everything a configuration write takes from the pages, once they have accepted their values.
// A combo box left without a selection (the terminal reported a value outside the list) keeps
// the record's byte, so a write never invents a work mode or baud rate. The disconnect time and
// the multicast text enter nothing. Nothing when the name cannot be sent (see above).
std::optional<TerminalEdits> editsFromPages(const TerminalRecord& record,
                                            const std::string& initialName,
                                            const BasicSetValues& basic, const NetSetValues& net,
                                            const ComSetValues& com, const OtherSetValues& other);

// The ID of a reset given by automatic increase: the raised counter's low 8 bits.
inline std::uint8_t resetIdFromCounter(std::uint32_t counter) {
    return static_cast<std::uint8_t>(counter & 0xFF);
}

} // namespace terminal_setup
