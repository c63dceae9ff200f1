// Treats the input as a configuration plan file (up to 64 KiB) held against three listed
// terminals: reading and checking never fail, every fault and change reads as UTF-8, every value
// accepted reads back the same from the text it shows, and the write of a found terminal keeps
// every byte the tool does not set and shows every value wanted.
#include "fuzz/fuzz_check.h"
#include "terminal_setup/protocol/terminal_datagram.h"
#include "terminal_setup/session/plan_check.h"

#include <QStringDecoder>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using namespace terminal_setup;

constexpr std::size_t kMaxPlan = 64 * 1024;

// Three terminals: MACs 00 1A 2B 3C 4D 5E, ... 4D 5F and ... 4E 60, IDs 5 to 7.
std::vector<ListedTerminal> listed() {
    std::vector<ListedTerminal> terminals;
    for (std::uint8_t i = 0; i < 3; ++i) {
        TerminalDatagram bytes{0xEF,
                               0xFE,
                               0x07,
                               0x10,
                               0x00,
                               0x1A,
                               0x2B,
                               0x3C,
                               static_cast<std::uint8_t>(i < 2 ? 0x4D : 0x4E),
                               static_cast<std::uint8_t>(0x5E + i),
                               192,
                               0,
                               2,
                               static_cast<std::uint8_t>(20 + i)};
        bytes[26] = bytes[27] = bytes[28] = 255;
        bytes[36] = static_cast<std::uint8_t>(5 + i);
        bytes[46] = i;
        for (std::size_t at = 37; at < 54; ++at)
            bytes[at] = static_cast<std::uint8_t>(0x41 + at % 26);
        terminals.push_back({*acceptReport(bytes), std::nullopt});
    }
    return terminals;
}

bool isUtf8(std::string_view text) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    (void)decoder.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    return !decoder.hasError();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxPlan)
        return 0;
    static const std::vector<ListedTerminal> terminals = listed();
    const Plan plan = readPlan({reinterpret_cast<const char*>(data), size});
    const CheckedPlan checked = checkPlan(plan, terminals);
    FUZZ_CHECK(checked.terminals.size() == plan.rows.size());
    for (const PlanFault& fault : checked.faults)
        FUZZ_CHECK(isUtf8(describePlanFault(fault)));
    for (const PlannedTerminal& terminal : checked.terminals) {
        FUZZ_CHECK(terminal.values.size() == terminal.changes.size());
        for (const PlanChange& change : terminal.changes)
            FUZZ_CHECK(isUtf8(describePlanChange(change)));
        for (const PlanValue& value : terminal.values) {
            std::string why;
            const auto again = readPlanValue(value.field, value.shown, why);
            FUZZ_CHECK(again.has_value() && *again == value);
        }
        if (!terminal.found)
            continue;
        const TerminalRecord& record = *terminal.found;
        const TerminalDatagram write = planWrite(terminal, record);
        FUZZ_CHECK(write[field::kType] == 2);
        for (std::size_t at : {0,  1,  2,  4,  5,  6,  7,  8,  9,  14, 15, 16, 17,
                               36, 43, 44, 45, 47, 48, 49, 50, 51, 52, 53, 54, 55})
            FUZZ_CHECK(write[at] == record.bytes()[at]);
        // Every value is a change, and the write carries every value but the ID.
        const std::size_t ids = terminal.newId() ? 1 : 0;
        FUZZ_CHECK(planValuesNotShown(terminal, false, record).size() + ids ==
                   terminal.values.size());
        FUZZ_CHECK(planValuesNotShown(terminal, true, record).size() == ids);
        TerminalDatagram asReport = write;
        asReport[field::kType] = 0x10;
        FUZZ_CHECK(planValuesNotShown(terminal, false, *acceptReport(asReport)).empty());
    }
    return 0;
}
