#pragma once

#include "controller/protocol/reply_dispatch.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace fuzz {

// A plain-vector model of reply collection, kept apart from FrameAccumulator's fixed buffers and
// index arithmetic, so that the two can be run side by side on the same bytes and compared:
//  - serial bytes are appended one by one; when the frame buffer is full the complete frames at
//    its head are taken out, and if that frees nothing the buffer is emptied; after the batch
//    every complete frame at the head is taken out and a wrong first byte empties the rest;
//  - a datagram's bytes are appended as far as the network buffer has room; a wrong first byte
//    empties it, a complete frame is taken out and the buffer emptied.
class ReplyModel {
public:
    ReplyModel(std::size_t frameCapacity, std::size_t networkCapacity)
        : m_frameCapacity(frameCapacity), m_networkCapacity(networkCapacity) {}

    // The effects the batch's frames must have, in order, in the notation of EffectLog.
    std::vector<std::string> collectSerial(std::span<const std::uint8_t> batch,
                                           const controller::DispatchContext& context);
    std::vector<std::string> collectNetwork(std::span<const std::uint8_t> datagram,
                                            const controller::DispatchContext& context);

    std::size_t serialBufferedBytes() const { return m_frame.size(); }
    std::size_t networkBufferedBytes() const { return m_network.size(); }

private:
    void takeSerialFrames(std::uint8_t header, std::vector<std::vector<std::uint8_t>>& frames);

    std::size_t m_frameCapacity;
    std::size_t m_networkCapacity;
    std::vector<std::uint8_t> m_frame;
    std::vector<std::uint8_t> m_network;
};

// The effects one whole frame (exactly L + 4 bytes) must have, read straight from the command
// table: the address check, then pairs, prompts, the read-back end or the report by command code.
std::vector<std::string> expectedEffects(std::span<const std::uint8_t> frame, bool network,
                                         const controller::DispatchContext& context);

// One line per effect: "pairs 0<2 1<3", "end read", "text:<prompt>", "report c e k a".
std::string pairsLine(const std::vector<controller::Crosspoint>& pairs);
std::string reportLine(const controller::InputPropertiesReport& report);

} // namespace fuzz
