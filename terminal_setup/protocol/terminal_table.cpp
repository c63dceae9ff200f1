#include "terminal_setup/protocol/terminal_table.h"

namespace terminal_setup {

bool TerminalTable::append(const TerminalRecord& record, int interfaceIndex) {
    if (full())
        return false;
    m_records.push_back(record);
    m_interfaceIndexes.push_back(interfaceIndex);
    return true;
}

} // namespace terminal_setup
