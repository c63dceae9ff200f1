#include "controller/protocol/command_frame.h"

#include "controller/protocol/frame_shapes.h"

#include <algorithm>
#include <numeric>

namespace controller {

std::uint8_t selectableHeader(int protocolType) {
    return protocolType == 0 ? kHeaderBA : kHeader96;
}

std::uint8_t checksum(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u));
}

bool carriesZeroTrailer(std::uint8_t command) {
    const FrameShape* shape = frameShape(FrameDirection::Request, command);
    return shape != nullptr && shape->trailer == Trailer::ZeroOrSum;
}

std::optional<CommandFrame> CommandFrame::build(std::uint8_t header, std::uint8_t address,
                                                std::uint8_t command,
                                                std::span<const std::uint8_t> data,
                                                LinkRoute route) {
    if (data.size() > kMaxDataBytes) {
        return std::nullopt;
    }
    CommandFrame frame;
    frame.m_route = route;
    auto& b = frame.m_bytes;
    b[0] = header;
    b[1] = address;
    b[2] = command;
    b[3] = static_cast<std::uint8_t>(data.size() + 1);
    std::ranges::copy(data, b.begin() + 4);
    const std::size_t body = 4 + data.size();
    b[body] = carriesZeroTrailer(command) ? 0x00 : checksum({b.data(), body});
    frame.m_size = body + 1;
    return frame;
}

std::optional<CommandFrame> buildFrame(HeaderChoice choice, int protocolType, std::uint8_t address,
                                       std::uint8_t command, std::span<const std::uint8_t> data,
                                       LinkRoute route) {
    const std::uint8_t header =
        choice == HeaderChoice::Selectable ? selectableHeader(protocolType) : kHeaderBA;
    return CommandFrame::build(header, address, command, data, route);
}

LinkTargets linksFor(const CommandFrame& frame, bool serialOpen, bool useNet) {
    return {serialOpen, useNet && frame.route() == LinkRoute::AllLinks};
}

} // namespace controller
