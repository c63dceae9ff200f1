#pragma once

#include "terminal_setup/protocol/terminal_listing.h"

#include <string>
#include <string_view>
#include <vector>

namespace terminal_setup {

// The list window's six columns (ID, Name, Model, IP, Multicast IP, MAC) as a text table for a
// terminal: a header line and one line per row, each column padded to its widest text, counted
// in terminal cells (a Chinese character or a full-width hyphen takes two).
std::string terminalTextTable(const std::vector<ListedTerminal>& rows);

// The cells `utf8` takes on a terminal.
int displayWidth(std::string_view utf8);

} // namespace terminal_setup
