#pragma once

#include <cstddef>

namespace terminal_setup {

// What the terminal list window hears from the discovery sockets. Every call comes from the
// thread that drives TerminalDiscovery, from inside one of its operations.
class DiscoveryListener {
public:
    virtual ~DiscoveryListener() = default;

    // Record `row` of the table was just stored: show it as list row `row`.
    virtual void terminalAdded(std::size_t row) = 0;
    // Scan or Test emptied the table: delete every row and forget the selection.
    virtual void terminalsCleared() = 0;
    // "Scan" and "Test" are disabled while a scan window is open and enabled when it closes.
    virtual void scanButtonsEnabled(bool enabled) = 0;
};

} // namespace terminal_setup
