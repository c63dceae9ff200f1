#pragma once

#include "controller/protocol/reply_handler.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace controller {

// What dispatch needs to know of the main window, taken afresh for every collection.
struct DispatchContext {
    int protocolType = 0;           // a reply must start with the header it selects
    std::uint8_t deviceAddress = 1; // the "Matrix ID"; replies to 0xFF are accepted as well
    int inputCount = 4;             // grid size: pairs outside it are skipped
    int outputCount = 4;
};

// The crosspoint pairs of a 0x01 or 0x02 frame that lie inside the grid, in frame order: the
// L - 2 bytes from offset 5 (after the signal code, before the checksum), each masked with 0x3F,
// output first. Empty when L < 4, when the pair bytes are odd in number, or when the frame is
// shorter than its length byte says.
std::vector<Crosspoint> decodeCrosspoints(std::span<const std::uint8_t> frame, int inputCount,
                                          int outputCount);

// The report carried by a 0x1E frame (channel at offset 4, EDID at 7, crop at 8, aspect ratio
// at 9). nullopt when the frame ends before offset 9 (L < 6) or is shorter than its length byte
// says: those bytes would not be part of it.
std::optional<InputPropertiesReport>
decodeInputPropertiesReport(std::span<const std::uint8_t> frame);

// Runs the effect of one complete frame whose header has already been accepted: ignores it
// unless byte 1 is context.deviceAddress or 0xFF, then tells replyAccepted() and, when the frame
// has its command's reply shape (frameShape: the lengths below), acts on byte 2:
//   0x01          pairs (L >= 4)
//   0x02          endAwaitedRead() whatever the length, then pairs (L >= 4)
//   0x11          kSaveSceneText
//   0x14 (L = 5)  identityText of bytes 5..8
//   0x15          reloadSceneText(link)
//   0x1E          forwardInputProperties (L >= 6, bytes 4..9 in the frame)
//   0xA0..0xA7    equipmentText of the command byte and bytes 4, 5 (L >= 2, both in the frame)
// and ignores everything else, a frame shorter than 4 bytes or than its length byte included.
// A reply's checksum is never checked; the frame is used as it came.
void dispatchFrame(std::span<const std::uint8_t> frame, const LinkInfo& link,
                   const DispatchContext& context, ReplyHandler& handler);

} // namespace controller
