#include "tests/terminal_protocol/sample_report.h"

#include <stdexcept>

namespace terminal_test {

terminal_setup::TerminalRecord recordOf(const TerminalDatagram& bytes) {
    auto record = terminal_setup::acceptReport(bytes);
    if (!record)
        throw std::invalid_argument("sample is not a terminal report");
    return *record;
}

} // namespace terminal_test
