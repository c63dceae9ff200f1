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

void FrameAccumulator::collectSerial(std::span<const std::uint8_t> batch,
                                     const DispatchContext& context, ReplyHandler& handler) {
    const std::uint8_t header = selectableHeader(context.protocolType);
    for (const std::uint8_t byte : batch) {
        if (m_frameCount == m_frameBuffer.size()) {
            takeSerialFrames(header);
            if (m_frameCount == m_frameBuffer.size()) {
                discard(std::span(m_frameBuffer), ReplySource::Serial);
                m_frameCount = 0;
            }
        }
        m_frameBuffer[m_frameCount++] = byte;
    }
    takeSerialFrames(header);
    dispatchPending(context, handler);
}

void FrameAccumulator::takeSerialFrames(std::uint8_t header) {
    std::size_t start = 0;
    while (start < m_frameCount) {
        const std::span<const std::uint8_t> rest(m_frameBuffer.data() + start,
                                                 m_frameCount - start);
        if (rest[0] != header) {
            discard(rest, ReplySource::Serial);
            start = m_frameCount;
            break;
        }
        const std::size_t size = announcedSize(rest);
        if (size == 0 || rest.size() < size) {
            break;
        }
        m_pending.push_back({{rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(size)},
                             ReplySource::Serial});
        start += size;
    }
    std::copy(m_frameBuffer.begin() + static_cast<std::ptrdiff_t>(start),
              m_frameBuffer.begin() + static_cast<std::ptrdiff_t>(m_frameCount),
              m_frameBuffer.begin());
    m_frameCount -= start;
}

void FrameAccumulator::collectNetwork(std::span<const std::uint8_t> datagram,
                                      const DispatchContext& context, ReplyHandler& handler) {
    const std::size_t room = m_networkBuffer.size() - m_networkCount;
    const std::size_t kept = std::min(room, datagram.size());
    std::copy_n(datagram.begin(), kept,
                m_networkBuffer.begin() + static_cast<std::ptrdiff_t>(m_networkCount));
    m_networkCount += kept;

    const std::span<const std::uint8_t> held(m_networkBuffer.data(), m_networkCount);
    // Empties the buffer, dropping its bytes from `from` on and what of the datagram found no
    // room in it.
    const auto emptyFrom = [&](std::size_t from) {
        std::vector<std::uint8_t> dropped(held.begin() + static_cast<std::ptrdiff_t>(from),
                                          held.end());
        dropped.insert(dropped.end(), datagram.begin() + static_cast<std::ptrdiff_t>(kept),
                       datagram.end());
        discard(dropped, ReplySource::Network);
        m_networkCount = 0;
    };
    if (!held.empty()) {
        if (held[0] != selectableHeader(context.protocolType)) {
            emptyFrom(0);
        } else if (const std::size_t size = announcedSize(held); size != 0 && held.size() >= size) {
            m_pending.push_back({{held.begin(), held.begin() + static_cast<std::ptrdiff_t>(size)},
                                 ReplySource::Network});
            emptyFrom(size);
        }
    }
    dispatchPending(context, handler);
}

void FrameAccumulator::discard(std::span<const std::uint8_t> bytes, ReplySource source) {
    if (!bytes.empty())
        m_pending.push_back({{bytes.begin(), bytes.end()}, source, true});
}

void FrameAccumulator::dispatchPending(const DispatchContext& context, ReplyHandler& handler) {
    while (!m_pending.empty()) {
        // Taken off the queue before its effect runs: a nested call must not see it again.
        const PendingFrame frame = std::move(m_pending.front());
        m_pending.pop_front();
        if (frame.discarded) {
            handler.bytesDiscarded(frame.bytes, frame.source);
            continue;
        }
        handler.frameCollected(frame.bytes, frame.source);
        dispatchFrame(frame.bytes, frame.source, context, handler);
    }
}

} // namespace controller
