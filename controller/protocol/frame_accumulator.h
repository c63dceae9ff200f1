#pragma once

#include "controller/protocol/command_frame.h"
#include "controller/protocol/reply_dispatch.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

namespace controller {

// Collects reply bytes from the serial link and the network link, cuts them into frames and
// dispatches each accepted frame. Owned by the main window and used on its thread only.
//
// Serial bytes accumulate in the frame buffer until they form frames; every complete frame at
// its head is dispatched, in order, and the bytes of an unfinished frame behind them wait for
// the next batch. A network poll delivers one frame at most: a datagram's bytes after its
// frame are dropped.
//
// Dispatch may open a modal prompt whose event loop lets more bytes arrive and be collected
// by a nested call. Every frame is therefore taken out of its buffer before any effect runs,
// and frames wait in one queue shared by all calls: a nested call dispatches the frames still
// waiting from the outer call before its own, so replies take effect in the order they arrived
// and none waits for a prompt to close.
//
// The handler sees every frame and every discarded byte as well (frameCollected, bytesDiscarded),
// in the order of arrival.
class FrameAccumulator {
public:
    // Room for several replies of the largest size a length byte allows (259 bytes); a batch
    // larger than that is cut into frames as it is appended, so nothing complete is lost.
    static constexpr std::size_t kFrameBufferCapacity = 1024;
    // A datagram yields at most one frame, starting at the front of this buffer: anything
    // beyond the largest frame is necessarily trailing and is dropped on arrival.
    static constexpr std::size_t kNetworkBufferCapacity = CommandFrame::kMaxBytes;

    // Appends one serial batch (the bytes read since the last notification, possibly none) to
    // the frame buffer and examines it once: a first byte other than the selectable header of
    // context.protocolType empties the buffer; otherwise every complete frame is taken out and
    // dispatched, and an incomplete one stays. Bytes that cannot be placed even after the
    // complete frames are taken out empty the buffer; nothing is written past its end.
    void collectSerial(std::span<const std::uint8_t> batch, const DispatchContext& context,
                       ReplyHandler& handler);

    // Appends one poll's bytes (none when the poll failed or found nothing) to the network
    // buffer and examines it once: a wrong first byte empties the buffer, an incomplete frame
    // stays, a complete frame is taken out and dispatched, and the buffer is emptied.
    void collectNetwork(std::span<const std::uint8_t> datagram, const DispatchContext& context,
                        ReplyHandler& handler);

    // Forgets the serial bytes waiting for the rest of their frame: a port opened anew starts
    // with nothing of what came before.
    void resetSerial() { m_frameCount = 0; }

    // Bytes waiting in each buffer for the rest of their frame.
    std::size_t serialBufferedBytes() const { return m_frameCount; }
    std::size_t networkBufferedBytes() const { return m_networkCount; }

private:
    // A complete frame, or bytes thrown away, in the order they arose.
    struct PendingFrame {
        std::vector<std::uint8_t> bytes;
        ReplySource source;
        bool discarded = false;
    };

    // Moves every complete frame at the head of the frame buffer to the queue; a wrong first
    // byte empties what is left.
    void takeSerialFrames(std::uint8_t header);
    void discard(std::span<const std::uint8_t> bytes, ReplySource source);
    void dispatchPending(const DispatchContext& context, ReplyHandler& handler);

    std::array<std::uint8_t, kFrameBufferCapacity> m_frameBuffer{};
    std::size_t m_frameCount = 0;
    std::array<std::uint8_t, kNetworkBufferCapacity> m_networkBuffer{};
    std::size_t m_networkCount = 0;
    std::deque<PendingFrame> m_pending;
};

} // namespace controller
