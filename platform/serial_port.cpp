#include "platform/serial_port.h"

namespace platform {

std::uint32_t eventsFromCounters(const LineCounters& before, const LineCounters& after) {
    std::uint32_t events = 0;
    if (after.cts != before.cts)
        events |= serial_event::kCts;
    if (after.dsr != before.dsr)
        events |= serial_event::kDsr;
    if (after.dcd != before.dcd)
        events |= serial_event::kRlsd;
    if (after.rng != before.rng)
        events |= serial_event::kRing;
    if (after.brk != before.brk)
        events |= serial_event::kBreak;
    if (after.frame != before.frame || after.overrun != before.overrun ||
        after.parity != before.parity || after.bufOverrun != before.bufOverrun)
        events |= serial_event::kErr;
    return events;
}

std::uint32_t eventsFromLines(int before, int after) {
    std::uint32_t events = 0;
    const int changed = before ^ after;
    if (changed & kLineCts)
        events |= serial_event::kCts;
    if (changed & kLineDsr)
        events |= serial_event::kDsr;
    if (changed & kLineDcd)
        events |= serial_event::kRlsd;
    if ((changed & kLineRing) && (after & kLineRing))
        events |= serial_event::kRing;
    return events;
}

} // namespace platform
