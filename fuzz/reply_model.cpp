#include "fuzz/reply_model.h"

#include "controller/protocol/reply_texts.h"

namespace fuzz {

namespace {

using controller::DispatchContext;

std::uint8_t headerFor(int protocolType) {
    return protocolType == 0 ? 0xBA : 0x96;
}

// Size of the frame at the front, 0 while its length byte has not arrived.
std::size_t wholeSize(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() < 4 ? 0 : std::size_t{bytes[3]} + 4;
}

std::vector<std::string> effectsOf(const std::vector<std::vector<std::uint8_t>>& frames,
                                   bool network, const DispatchContext& context) {
    std::vector<std::string> effects;
    for (const auto& frame : frames) {
        const auto more = expectedEffects(frame, network, context);
        effects.insert(effects.end(), more.begin(), more.end());
    }
    return effects;
}

void appendPairs(std::span<const std::uint8_t> frame, const DispatchContext& context,
                 std::vector<std::string>& effects) {
    const unsigned length = frame[3];
    if (length < 4 || (length - 2) % 2 != 0)
        return;
    // The pair bytes lie between the signal code at offset 4 and the checksum.
    const std::size_t pairBytes = length - 2;
    std::vector<controller::Crosspoint> pairs;
    for (std::size_t i = 0; i < pairBytes; i += 2) {
        const int output = frame[5 + i] & 0x3F;
        const int input = frame[6 + i] & 0x3F;
        if (output < context.outputCount && input < context.inputCount)
            pairs.push_back({output, input});
    }
    if (!pairs.empty())
        effects.push_back(pairsLine(pairs));
}

} // namespace

std::string pairsLine(const std::vector<controller::Crosspoint>& pairs) {
    std::string line = "pairs";
    for (const auto& pair : pairs)
        line += " " + std::to_string(pair.output) + "<" + std::to_string(pair.input);
    return line;
}

std::string reportLine(const controller::InputPropertiesReport& report) {
    return "report " + std::to_string(report.channel) + " " + std::to_string(report.edid) + " " +
           std::to_string(report.crop) + " " + std::to_string(report.aspectRatio);
}

std::vector<std::string> expectedEffects(std::span<const std::uint8_t> frame, bool network,
                                         const DispatchContext& context) {
    std::vector<std::string> effects;
    const std::uint8_t address = frame[1];
    if (address != context.deviceAddress && address != 0xFF)
        return effects;
    const std::uint8_t code = frame[2];
    const unsigned length = frame[3];
    if (code == 0x01) {
        appendPairs(frame, context, effects);
    } else if (code == 0x02) {
        effects.push_back("end read");
        appendPairs(frame, context, effects);
    } else if (code == 0x11) {
        effects.push_back("text:" + std::string(controller::kSaveSceneText));
    } else if (code == 0x14 && length == 5) {
        effects.push_back("text:" +
                          controller::identityText(frame[5], frame[6], frame[7], frame[8]));
    } else if (code == 0x15) {
        effects.push_back(network ? "text:  Reload scene successfully!  "
                                  : "text:Reload scene successfully!");
    } else if (code == 0x1E && length >= 6) {
        effects.push_back(reportLine({frame[4], frame[7], frame[8], frame[9]}));
    } else if (code >= 0xA0 && code <= 0xA7 && length >= 2) {
        effects.push_back("text:" + controller::equipmentText(code, frame[4], frame[5]));
    }
    return effects;
}

void ReplyModel::takeSerialFrames(std::uint8_t header,
                                  std::vector<std::vector<std::uint8_t>>& frames) {
    while (!m_frame.empty()) {
        if (m_frame.front() != header) {
            m_frame.clear();
            return;
        }
        const std::size_t size = wholeSize(m_frame);
        if (size == 0 || m_frame.size() < size)
            return;
        frames.emplace_back(m_frame.begin(), m_frame.begin() + static_cast<std::ptrdiff_t>(size));
        m_frame.erase(m_frame.begin(), m_frame.begin() + static_cast<std::ptrdiff_t>(size));
    }
}

std::vector<std::string> ReplyModel::collectSerial(std::span<const std::uint8_t> batch,
                                                   const DispatchContext& context) {
    const std::uint8_t header = headerFor(context.protocolType);
    std::vector<std::vector<std::uint8_t>> frames;
    for (const std::uint8_t byte : batch) {
        if (m_frame.size() == m_frameCapacity) {
            takeSerialFrames(header, frames);
            if (m_frame.size() == m_frameCapacity)
                m_frame.clear();
        }
        m_frame.push_back(byte);
    }
    takeSerialFrames(header, frames);
    return effectsOf(frames, false, context);
}

std::vector<std::string> ReplyModel::collectNetwork(std::span<const std::uint8_t> datagram,
                                                    const DispatchContext& context) {
    const std::size_t room = m_networkCapacity - m_network.size();
    const std::size_t kept = datagram.size() < room ? datagram.size() : room;
    m_network.insert(m_network.end(), datagram.begin(),
                     datagram.begin() + static_cast<std::ptrdiff_t>(kept));
    std::vector<std::vector<std::uint8_t>> frames;
    if (!m_network.empty()) {
        const std::size_t size = wholeSize(m_network);
        if (m_network.front() != headerFor(context.protocolType)) {
            m_network.clear();
        } else if (size != 0 && m_network.size() >= size) {
            frames.emplace_back(m_network.begin(),
                                m_network.begin() + static_cast<std::ptrdiff_t>(size));
            m_network.clear();
        }
    }
    return effectsOf(frames, true, context);
}

} // namespace fuzz
