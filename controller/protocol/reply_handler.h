#pragma once

#include "controller/protocol/link_info.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace controller {

// One crosspoint of a 0x01 or 0x02 reply, counted from 0: output `output` is fed by `input`.
struct Crosspoint {
    int output = 0;
    int input = 0;
    bool operator==(const Crosspoint&) const = default;
};

// The 0x1E input properties report, raw as the device sent it. Whether the values fit the
// Setup dialog's lists is the dialog's decision, so nothing is range-checked here.
struct InputPropertiesReport {
    std::uint8_t channel = 0;     // input channel, from 0
    std::uint8_t edid = 0;        // EDID list index
    std::uint8_t crop = 0;        // 0 "NO", 1 "YES"
    std::uint8_t aspectRatio = 0; // aspect-ratio list index
    bool operator==(const InputPropertiesReport&) const = default;
};

// What the main window does with accepted replies. Dispatch calls these on the user-interface
// thread; any of them may run a nested event loop (a modal prompt) and so may re-enter the
// collection, which the accumulator allows.
class ReplyHandler {
public:
    virtual ~ReplyHandler() = default;
    // Moves the marker of each output to its input's row, in order (a later pair for the same
    // output wins). Only pairs inside the grid are passed, never an empty list.
    virtual void applyCrosspoints(const std::vector<Crosspoint>& pairs) = 0;
    // A 0x02 reply arrived: stop waiting for the read-back, if it was awaited. Called before
    // that reply's pairs are applied.
    virtual void endAwaitedRead() = 0;
    // Raises one operator message (scene confirmations, identity and equipment texts). The
    // window shows it once the collection is over, after any message still open.
    virtual void showPromptText(const std::string& text) = 0;
    // Hands the report to the Setup dialog if one is open; otherwise it is dropped.
    virtual void forwardInputProperties(const InputPropertiesReport& report) = 0;

    // What went past, for a view of the traffic; nothing by default. Every complete frame taken
    // from a link, in the order of arrival, just before its dispatch (whatever its address):
    virtual void frameCollected(std::span<const std::uint8_t> /*frame*/, const LinkInfo& /*link*/) {
    }
    // bytes thrown away because they cannot start a frame, overflowed the buffer, or trailed a
    // datagram's frame, in their place among the frames:
    virtual void bytesDiscarded(std::span<const std::uint8_t> /*bytes*/, const LinkInfo& /*link*/) {
    }
    // and a frame whose address is accepted, before its effect runs.
    virtual void replyAccepted(std::span<const std::uint8_t> /*frame*/, const LinkInfo& /*link*/) {}
};

} // namespace controller
