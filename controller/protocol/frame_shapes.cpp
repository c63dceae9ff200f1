#include "controller/protocol/frame_shapes.h"

#include "controller/protocol/command_frame.h"

namespace controller {

namespace {

constexpr std::size_t kLengthOffset = 3;
constexpr std::size_t kDataOffset = 4;
constexpr std::uint8_t kAnyLength = 0xFF;

constexpr FrameShape one(std::uint8_t command, std::uint8_t minLength, std::uint8_t maxLength,
                         Trailer trailer) {
    return {command, command, minLength, maxLength, trailer};
}

// What the controller sends: exactly the frames its request builders make.
constexpr FrameShape kRequests[] = {
    one(command::kSwitch, 4, 4, Trailer::Sum),
    // The signal code, then the outputs to read.
    one(command::kReadSwitch, 2, kAnyLength, Trailer::Sum),
    one(command::kSaveScene, 3, 3, Trailer::Sum),
    one(command::kReadIdentity, 2, 2, Trailer::ZeroOrSum),
    one(command::kLoadScene, 3, 3, Trailer::Sum),
    one(command::kChangeAddress, 3, 3, Trailer::Sum),
    one(command::kChangeBaud, 3, 3, Trailer::Sum),
    one(command::kCycleScenes, 4, 4, Trailer::Sum),
    one(command::kCycle, 3, 3, Trailer::Sum),
    one(command::kCycleInterval, 3, 3, Trailer::Sum),
    one(command::kOutputProperty, 5, 5, Trailer::ZeroOrSum),
    one(command::kInputProperty, 5, 5, Trailer::ZeroOrSum),
};

// What the device sends, as far as the controller acts on it or shows it. Any length is a
// crosspoint or scene reply: a read-back without pairs still ends the wait for one, and a scene
// confirmation needs no data.
constexpr FrameShape kReplies[] = {
    one(command::kSwitch, 0, kAnyLength, Trailer::Sum),
    one(command::kReadSwitch, 0, kAnyLength, Trailer::Sum),
    one(command::kSaveScene, 0, kAnyLength, Trailer::Sum),
    // Type, address and the two sizes after an unused byte: the second size is the last byte.
    one(command::kReadIdentity, 5, 5, Trailer::SumAfterData),
    one(command::kLoadScene, 0, kAnyLength, Trailer::Sum),
    // A device may echo an input property request.
    one(command::kInputProperty, 5, 5, Trailer::ZeroOrSum),
    // Channel, two unused bytes, EDID, crop, aspect ratio.
    one(command::kInputPropertiesReport, 6, kAnyLength, Trailer::SumAfterData),
    // The command byte names the type; the two sizes follow.
    {command::kEquipmentFirst, command::kEquipmentLast, 2, kAnyLength, Trailer::SumAfterData},
};

} // namespace

const FrameShape* frameShape(FrameDirection direction, std::uint8_t command) {
    const std::span<const FrameShape> table = direction == FrameDirection::Request
                                                  ? std::span<const FrameShape>(kRequests)
                                                  : std::span<const FrameShape>(kReplies);
    for (const FrameShape& shape : table) {
        if (command >= shape.firstCommand && command <= shape.lastCommand) {
            return &shape;
        }
    }
    return nullptr;
}

bool fitsShape(const FrameShape& shape, std::span<const std::uint8_t> frame) {
    if (frame.size() < kDataOffset) {
        return false;
    }
    const unsigned length = frame[kLengthOffset];
    return frame.size() >= kDataOffset + length && length >= shape.minLength &&
           length <= shape.maxLength;
}

const FrameShape* shapeOf(std::span<const std::uint8_t> frame, FrameDirection direction) {
    if (frame.size() < kDataOffset) {
        return nullptr;
    }
    const FrameShape* shape = frameShape(direction, frame[2]);
    return shape != nullptr && fitsShape(*shape, frame) ? shape : nullptr;
}

bool endsInTrailer(const FrameShape& shape, unsigned length) {
    return length > 0 && (shape.trailer != Trailer::SumAfterData || length > shape.minLength);
}

std::span<const std::uint8_t> frameData(const FrameShape& shape,
                                        std::span<const std::uint8_t> frame) {
    const unsigned length = frame[kLengthOffset];
    const std::size_t dataBytes = endsInTrailer(shape, length) ? length - 1 : length;
    return frame.subspan(kDataOffset, dataBytes);
}

} // namespace controller
