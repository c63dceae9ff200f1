#include "sim/matrix_sim/frame_scanner.h"

#include "sim/matrix_sim/device_frame.h"

#include <algorithm>

namespace sim {

namespace {

bool IsHeader(std::uint8_t b) {
    return b == kHeaderBA || b == kHeader96;
}

bool SumAccepted(std::span<const std::uint8_t> frame) {
    const std::uint8_t last = frame.back();
    if (last == FrameSum(frame.first(frame.size() - 1)))
        return true;
    return last == 0x00 && ArrivesWithoutSum(frame[2]);
}

void FlushNoise(std::vector<std::uint8_t>* noise, std::vector<ScannedBytes>* found) {
    if (noise->empty())
        return;
    found->push_back({ScannedBytes::Kind::Noise, std::move(*noise)});
    noise->clear();
}

} // namespace

void FrameScanner::Feed(std::span<const std::uint8_t> bytes, std::vector<ScannedBytes>* found) {
    m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
    Scan(found);
}

void FrameScanner::GiveUpPartial(std::vector<ScannedBytes>* found) {
    if (m_buffer.empty())
        return;
    std::vector<std::uint8_t> noise;
    Consume(1, &noise);
    FlushNoise(&noise, found);
    Scan(found);
}

void FrameScanner::Consume(std::size_t count, std::vector<std::uint8_t>* noise) {
    count = std::min(count, m_buffer.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (m_alreadyReported > 0)
            --m_alreadyReported;
        else if (noise)
            noise->push_back(m_buffer[i]);
    }
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(count));
}

void FrameScanner::Scan(std::vector<ScannedBytes>* found) {
    std::vector<std::uint8_t> noise;
    while (!m_buffer.empty()) {
        if (!IsHeader(m_buffer[0])) {
            Consume(1, &noise);
            continue;
        }
        if (m_buffer.size() < kFrameOverhead)
            break;
        const std::uint8_t length = m_buffer[3];
        if (length < kMinLength || length > kMaxLength) {
            Consume(1, &noise);
            continue;
        }
        const std::size_t total = length + kFrameOverhead;
        if (m_buffer.size() < total)
            break;
        std::vector<std::uint8_t> frame(m_buffer.begin(),
                                        m_buffer.begin() + static_cast<std::ptrdiff_t>(total));
        FlushNoise(&noise, found);
        if (SumAccepted(frame)) {
            Consume(total, nullptr);
            found->push_back({ScannedBytes::Kind::Frame, std::move(frame)});
        } else {
            // The header may have been noise and a real frame may start inside these bytes:
            // drop only the header and look again, without reporting the rest twice.
            Consume(1, nullptr);
            m_alreadyReported = std::max(m_alreadyReported, total - 1);
            found->push_back({ScannedBytes::Kind::BadChecksum, std::move(frame)});
        }
    }
    FlushNoise(&noise, found);
}

} // namespace sim
