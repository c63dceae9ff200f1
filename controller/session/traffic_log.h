#pragma once

#include "controller/protocol/frame_decoder.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

namespace controller {

enum class TrafficDirection {
    Sent,      // "tx": a request handed to a link
    Received,  // "rx": a complete frame from the device, whatever its address
    Discarded, // "rx": received bytes thrown away as no part of a frame
};

// One frame (or run of dropped bytes) as it went by: when, which way, on which link ("COM1", a
// device path, or the UDP peer "127.0.0.1:4068") and its bytes. Words are made from the bytes
// when someone reads them, so that recording costs a copy and nothing more.
struct TrafficEntry {
    std::chrono::system_clock::time_point when;
    TrafficDirection direction = TrafficDirection::Sent;
    std::string link;
    std::vector<std::uint8_t> bytes;
};

// Local time to the millisecond, "14:03:07.125"; with the date, "2026-12-09 14:03:07.125".
std::string trafficClock(std::chrono::system_clock::time_point when, bool withDate = false);
// "tx" for what was sent, "rx" for what came in (dropped bytes too).
const char* trafficDirectionTag(TrafficDirection direction);
// The bytes in words: the decoder's line for a frame, with `names` applied, or "dropped 3 bytes".
std::string trafficWords(TrafficDirection direction, std::span<const std::uint8_t> bytes,
                         const PortNamer& names = {});

// An entry as a line of text: date and time, direction, link, bytes in hex and words, separated
// by tabs, ending in "\n".
std::string trafficTextLine(const TrafficEntry& entry, const PortNamer& names = {});

// The last frames that went by, oldest first, at most `capacity` of them: a new entry beyond
// that pushes the oldest out.
class TrafficLog {
public:
    static constexpr std::size_t kCapacity = 10000;

    explicit TrafficLog(std::size_t capacity = kCapacity) : m_capacity(capacity) {}

    void append(TrafficEntry entry);
    // Removes the `count` oldest entries (all of them when there are fewer).
    void dropOldest(std::size_t count);
    void clear() { m_entries.clear(); }

    std::size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    std::size_t capacity() const { return m_capacity; }
    // Entry `index` counted from the oldest; `index` must be below size().
    const TrafficEntry& operator[](std::size_t index) const { return m_entries[index]; }

    // The log as text to save: a heading line, then trafficTextLine of each entry.
    std::string text(const PortNamer& names = {}) const;

private:
    std::size_t m_capacity;
    std::deque<TrafficEntry> m_entries;
};

} // namespace controller
