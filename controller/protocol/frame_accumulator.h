#pragma once

#include "controller/protocol/command_frame.h"
#include "controller/protocol/link_info.h"
#include "controller/protocol/reply_dispatch.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <vector>

namespace controller {

// Collects reply bytes from every link, cuts them into frames and dispatches each accepted frame.
// Owned by the session and used on its thread only. Each link has a buffer of its own (a
// LinkBuffer, kept beside the link), framed as the link says:
//
// A byte stream (a serial line, a TCP connection) accumulates in its buffer until it forms
// frames; every complete frame at its head is dispatched, in order, and the bytes of an
// unfinished frame behind them wait for the next batch. A datagram link delivers one frame at
// most per datagram: a datagram's bytes after its frame are dropped, and a datagram too short
// for its frame waits for the next one to complete it.
//
// Dispatch may open a modal prompt whose event loop lets more bytes arrive and be collected
// by a nested call. Every frame is therefore taken out of its buffer before any effect runs,
// and frames wait in one queue shared by all links: a nested call dispatches the frames still
// waiting from the outer call before its own, so replies take effect in the order they arrived
// and none waits for a prompt to close.
//
// The handler sees every frame and every discarded byte as well (frameCollected, bytesDiscarded),
// in the order of arrival, with the link it came on.
class FrameAccumulator {
public:
    // Room for several replies of the largest size a length byte allows (259 bytes); a batch
    // larger than that is cut into frames as it is appended, so nothing complete is lost.
    static constexpr std::size_t kStreamBufferCapacity = 1024;
    // A datagram yields at most one frame, starting at the front of this buffer: anything
    // beyond the largest frame is necessarily trailing and is dropped on arrival.
    static constexpr std::size_t kDatagramBufferCapacity = CommandFrame::kMaxBytes;

    // One link's bytes waiting for the rest of their frame.
    class LinkBuffer {
    public:
        explicit LinkBuffer(LinkInfo link) : m_link(std::make_shared<const LinkInfo>(link)) {}
        const LinkInfo& link() const { return *m_link; }
        // Bytes waiting for the rest of their frame.
        std::size_t waiting() const { return m_count; }
        // Forgets them: a link opened anew starts with nothing of what came before.
        void reset() { m_count = 0; }
        void setLink(LinkInfo link) { m_link = std::make_shared<const LinkInfo>(std::move(link)); }

    private:
        friend class FrameAccumulator;
        std::shared_ptr<const LinkInfo> m_link;
        std::array<std::uint8_t, kStreamBufferCapacity> m_bytes{};
        std::size_t m_count = 0;
    };

    // Appends what `buffer`'s link delivered (a batch of a stream, one datagram, or nothing
    // when a poll found nothing) and examines the buffer once. A first byte other than the
    // selectable header of context.protocolType empties it. On a stream, every complete frame is
    // taken out and dispatched and an incomplete one stays; bytes that cannot be placed even
    // after the complete frames are taken out empty the buffer. On a datagram link, a complete
    // frame is taken out and dispatched and the buffer emptied. Nothing is written past the
    // buffer's end.
    void collect(LinkBuffer& buffer, std::span<const std::uint8_t> bytes,
                 const DispatchContext& context, ReplyHandler& handler);

private:
    // A complete frame, or bytes thrown away, in the order they arose.
    struct PendingFrame {
        std::vector<std::uint8_t> bytes;
        std::shared_ptr<const LinkInfo> link;
        bool discarded = false;
    };

    void collectStream(LinkBuffer& buffer, std::span<const std::uint8_t> batch,
                       std::uint8_t header);
    void collectDatagram(LinkBuffer& buffer, std::span<const std::uint8_t> datagram,
                         std::uint8_t header);
    // Moves every complete frame at the head of a stream buffer to the queue; a wrong first
    // byte empties what is left.
    void takeStreamFrames(LinkBuffer& buffer, std::uint8_t header);
    void discard(std::span<const std::uint8_t> bytes, const LinkBuffer& buffer);
    void dispatchPending(const DispatchContext& context, ReplyHandler& handler);

    std::deque<PendingFrame> m_pending;
};

} // namespace controller
