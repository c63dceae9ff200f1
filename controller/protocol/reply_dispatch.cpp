#include "controller/protocol/reply_dispatch.h"

#include "controller/protocol/command_frame.h"
#include "controller/protocol/frame_shapes.h"
#include "controller/protocol/reply_texts.h"

namespace controller {

namespace {

constexpr std::size_t kLengthOffset = 3;
constexpr std::size_t kDataOffset = 4;
constexpr std::uint8_t kPortMask = 0x3F;

// True when the frame holds at least its header bytes and everything its length byte announces.
bool isWhole(std::span<const std::uint8_t> frame) {
    return frame.size() >= kDataOffset && frame.size() >= frame[kLengthOffset] + kDataOffset;
}

// The reply shape of `code`: every reply dispatch acts on has one.
const FrameShape& replyShape(std::uint8_t code) {
    return *frameShape(FrameDirection::Reply, code);
}

void applyPairs(std::span<const std::uint8_t> frame, const DispatchContext& context,
                ReplyHandler& handler) {
    const auto pairs = decodeCrosspoints(frame, context.inputCount, context.outputCount);
    if (!pairs.empty()) {
        handler.applyCrosspoints(pairs);
    }
}

} // namespace

std::vector<Crosspoint> decodeCrosspoints(std::span<const std::uint8_t> frame, int inputCount,
                                          int outputCount) {
    std::vector<Crosspoint> pairs;
    const FrameShape& shape = replyShape(command::kSwitch);
    if (!fitsShape(shape, frame)) {
        return pairs;
    }
    // The signal code, then (output, input) pairs.
    const auto data = frameData(shape, frame);
    if (data.size() < 3 || data.size() % 2 != 1) {
        return pairs;
    }
    const auto bytes = data.subspan(1);
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const int output = bytes[i] & kPortMask;
        const int input = bytes[i + 1] & kPortMask;
        if (output < outputCount && input < inputCount) {
            pairs.push_back({output, input});
        }
    }
    return pairs;
}

std::optional<InputPropertiesReport>
decodeInputPropertiesReport(std::span<const std::uint8_t> frame) {
    const FrameShape& shape = replyShape(command::kInputPropertiesReport);
    if (!fitsShape(shape, frame)) {
        return std::nullopt;
    }
    const auto data = frameData(shape, frame);
    return InputPropertiesReport{data[0], data[3], data[4], data[5]};
}

void dispatchFrame(std::span<const std::uint8_t> frame, const LinkInfo& link,
                   const DispatchContext& context, ReplyHandler& handler) {
    if (!isWhole(frame)) {
        return;
    }
    const std::uint8_t address = frame[1];
    if (address != context.deviceAddress && address != kBroadcastAddress) {
        return;
    }
    handler.replyAccepted(frame, link);
    // A command without a reply shape, or a length its shape does not have, is ignored.
    if (shapeOf(frame, FrameDirection::Reply) == nullptr) {
        return;
    }
    const std::uint8_t code = frame[2];
    switch (code) {
    case command::kSwitch:
        applyPairs(frame, context, handler);
        return;
    case command::kReadSwitch:
        handler.endAwaitedRead();
        applyPairs(frame, context, handler);
        return;
    case command::kSaveScene:
        handler.showPromptText(std::string(kSaveSceneText));
        return;
    case command::kReadIdentity:
        handler.showPromptText(identityText(frame[5], frame[6], frame[7], frame[8]));
        return;
    case command::kLoadScene:
        handler.showPromptText(std::string(reloadSceneText(link)));
        return;
    case command::kInputPropertiesReport:
        handler.forwardInputProperties(*decodeInputPropertiesReport(frame));
        return;
    case command::kInputProperty:
        // An echo of the request: nothing to do.
        return;
    default:
        // The equipment replies: the sizes stand at offsets 4 and 5.
        if (code >= command::kEquipmentFirst && code <= command::kEquipmentLast) {
            handler.showPromptText(equipmentText(code, frame[4], frame[5]));
        }
        return;
    }
}

} // namespace controller
