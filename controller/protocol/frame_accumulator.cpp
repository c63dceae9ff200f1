#include "controller/protocol/frame_accumulator.h"

#include <algorithm>

namespace controller {

namespace {

constexpr std::size_t kHeaderBytes = 4; // header, address, command, length

// Bytes the frame at the front of `bytes` needs in all, or 0 while its length byte is missing.
std::size_t announcedSize(std::span<const std::uint8_t> bytes) {
    return bytes.size() < kHeaderBytes ? 0 : bytes[3] + kHeaderBytes;
}

} // namespace

void FrameAccumulator::collect(LinkBuffer& buffer, std::span<const std::uint8_t> bytes,
                               const DispatchContext& context, ReplyHandler& handler) {
    const std::uint8_t header = selectableHeader(context.protocolType);
    if (buffer.link().framing == Framing::Stream)
        collectStream(buffer, bytes, header);
    else
        collectDatagram(buffer, bytes, header);
    dispatchPending(context, handler);
}

void FrameAccumulator::collectStream(LinkBuffer& buffer, std::span<const std::uint8_t> batch,
                                     std::uint8_t header) {
    for (const std::uint8_t byte : batch) {
        if (buffer.m_count == kStreamBufferCapacity) {
            takeStreamFrames(buffer, header);
            if (buffer.m_count == kStreamBufferCapacity) {
                discard(std::span(buffer.m_bytes), buffer);
                buffer.m_count = 0;
            }
        }
        buffer.m_bytes[buffer.m_count++] = byte;
    }
    takeStreamFrames(buffer, header);
}

void FrameAccumulator::takeStreamFrames(LinkBuffer& buffer, std::uint8_t header) {
    std::size_t start = 0;
    while (start < buffer.m_count) {
        const std::span<const std::uint8_t> rest(buffer.m_bytes.data() + start,
                                                 buffer.m_count - start);
        if (rest[0] != header) {
            discard(rest, buffer);
            start = buffer.m_count;
            break;
        }
        const std::size_t size = announcedSize(rest);
        if (size == 0 || rest.size() < size) {
            break;
        }
        m_pending.push_back(
            {{rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(size)}, buffer.m_link});
        start += size;
    }
    std::copy(buffer.m_bytes.begin() + static_cast<std::ptrdiff_t>(start),
              buffer.m_bytes.begin() + static_cast<std::ptrdiff_t>(buffer.m_count),
              buffer.m_bytes.begin());
    buffer.m_count -= start;
}

void FrameAccumulator::collectDatagram(LinkBuffer& buffer, std::span<const std::uint8_t> datagram,
                                       std::uint8_t header) {
    const std::size_t room =
        kDatagramBufferCapacity - std::min(buffer.m_count, kDatagramBufferCapacity);
    const std::size_t kept = std::min(room, datagram.size());
    std::copy_n(datagram.begin(), kept,
                buffer.m_bytes.begin() + static_cast<std::ptrdiff_t>(buffer.m_count));
    buffer.m_count += kept;

    const std::span<const std::uint8_t> held(buffer.m_bytes.data(), buffer.m_count);
    // Empties the buffer, dropping its bytes from `from` on and what of the datagram found no
    // room in it.
    const auto emptyFrom = [&](std::size_t from) {
        std::vector<std::uint8_t> dropped(held.begin() + static_cast<std::ptrdiff_t>(from),
                                          held.end());
        dropped.insert(dropped.end(), datagram.begin() + static_cast<std::ptrdiff_t>(kept),
                       datagram.end());
        discard(dropped, buffer);
        buffer.m_count = 0;
    };
    if (held.empty())
        return;
    if (held[0] != header) {
        emptyFrom(0);
    } else if (const std::size_t size = announcedSize(held); size != 0 && held.size() >= size) {
        m_pending.push_back(
            {{held.begin(), held.begin() + static_cast<std::ptrdiff_t>(size)}, buffer.m_link});
        emptyFrom(size);
    }
}

void FrameAccumulator::discard(std::span<const std::uint8_t> bytes, const LinkBuffer& buffer) {
    if (!bytes.empty())
        m_pending.push_back({{bytes.begin(), bytes.end()}, buffer.m_link, true});
}

void FrameAccumulator::dispatchPending(const DispatchContext& context, ReplyHandler& handler) {
    while (!m_pending.empty()) {
        // Taken off the queue before its effect runs: a nested call must not see it again.
        const PendingFrame frame = std::move(m_pending.front());
        m_pending.pop_front();
        if (frame.discarded) {
            handler.bytesDiscarded(frame.bytes, *frame.link);
            continue;
        }
        handler.frameCollected(frame.bytes, *frame.link);
        dispatchFrame(frame.bytes, *frame.link, context, handler);
    }
}

} // namespace controller
