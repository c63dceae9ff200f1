#pragma once

#include "terminal_setup/protocol/terminal_datagram.h"

#include <cstddef>
#include <vector>

namespace terminal_setup {

// The accepted reports since the last Scan or Test, in order of arrival: record i is list row i.
// It holds at most 256 records; a report that finds it full is dropped, never written past it.
// Beside each record it keeps the index of the network interface the report came in on (0 when
// the system did not say), which tells the network of the card the terminal answered on.
class TerminalTable {
public:
    static constexpr std::size_t kCapacity = 256;

    TerminalTable() {
        m_records.reserve(kCapacity);
        m_interfaceIndexes.reserve(kCapacity);
    }

    // Stores the record as the next row; false (and nothing stored) when the table is full.
    bool append(const TerminalRecord& record, int interfaceIndex = 0);
    void clear() {
        m_records.clear();
        m_interfaceIndexes.clear();
    }

    std::size_t size() const { return m_records.size(); }
    bool empty() const { return m_records.empty(); }
    bool full() const { return m_records.size() >= kCapacity; }
    // Precondition: index < size().
    const TerminalRecord& at(std::size_t index) const { return m_records[index]; }
    // Precondition: index < size().
    int interfaceIndexAt(std::size_t index) const { return m_interfaceIndexes[index]; }

private:
    std::vector<TerminalRecord> m_records;
    std::vector<int> m_interfaceIndexes;
};

} // namespace terminal_setup
