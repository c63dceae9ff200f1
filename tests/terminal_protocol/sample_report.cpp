#include "tests/terminal_protocol/sample_report.h"

#include <stdexcept>

namespace terminal_test {

std::string caseName(const char* what) {
    std::string name;
    for (const char* c = what; *c; ++c) {
        const bool alnum =
            (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9');
        if (alnum)
            name += *c;
        else if (!name.empty() && name.back() != '_')
            name += '_';
    }
    while (!name.empty() && name.back() == '_')
        name.pop_back();
    return name;
}

terminal_setup::TerminalRecord recordOf(const TerminalDatagram& bytes) {
    auto record = terminal_setup::acceptReport(bytes);
    if (!record)
        throw std::invalid_argument("sample is not a terminal report");
    return *record;
}

} // namespace terminal_test
