#include "controller/session/traffic_log.h"

#include <cstdio>
#include <ctime>

namespace controller {

std::string trafficClock(std::chrono::system_clock::time_point when, bool withDate) {
    const auto sinceEpoch =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch());
    // Whole seconds rounded down, so that a time before 1970 still gets 0..999 milliseconds.
    const auto seconds = std::chrono::floor<std::chrono::seconds>(sinceEpoch);
    const std::time_t whole = static_cast<std::time_t>(seconds.count());
    const int millis = static_cast<int>((sinceEpoch - seconds).count());
    std::tm local{};
    localtime_r(&whole, &local);
    char text[48];
    if (withDate)
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900,
                      local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                      millis);
    else
        std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                      local.tm_sec, millis);
    return text;
}

const char* trafficDirectionTag(TrafficDirection direction) {
    return direction == TrafficDirection::Sent ? "tx" : "rx";
}

std::string trafficWords(TrafficDirection direction, std::span<const std::uint8_t> bytes,
                         const PortNamer& names) {
    switch (direction) {
    case TrafficDirection::Sent:
        return describeFrame(bytes, FrameDirection::Request, names);
    case TrafficDirection::Received:
        return describeFrame(bytes, FrameDirection::Reply, names);
    case TrafficDirection::Discarded:
        break;
    }
    return "dropped " + std::to_string(bytes.size()) + (bytes.size() == 1 ? " byte" : " bytes");
}

void TrafficLog::append(TrafficEntry entry) {
    if (m_capacity == 0)
        return;
    if (m_entries.size() == m_capacity)
        m_entries.pop_front();
    m_entries.push_back(std::move(entry));
}

void TrafficLog::dropOldest(std::size_t count) {
    if (count >= m_entries.size()) {
        m_entries.clear();
        return;
    }
    m_entries.erase(m_entries.begin(), m_entries.begin() + static_cast<std::ptrdiff_t>(count));
}

std::string trafficTextLine(const TrafficEntry& entry, const PortNamer& names) {
    // A link is a port name or an address; the words hold no line break.
    std::string link = entry.link;
    for (char& c : link)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return trafficClock(entry.when, true) + '\t' + trafficDirectionTag(entry.direction) + '\t' +
           link + '\t' + hexBytes(entry.bytes) + '\t' +
           trafficWords(entry.direction, entry.bytes, names) + '\n';
}

std::string TrafficLog::text(const PortNamer& names) const {
    std::string out = "Time\tDirection\tLink\tBytes\tWords\n";
    for (const TrafficEntry& entry : m_entries)
        out += trafficTextLine(entry, names);
    return out;
}

} // namespace controller
