#include "terminal_setup/protocol/terminal_table.h"

namespace terminal_setup {

bool TerminalTable::append(const TerminalRecord& record) {
    if (full())
        return false;
    m_records.push_back(record);
    return true;
}

} // namespace terminal_setup
