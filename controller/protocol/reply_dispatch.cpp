#include "controller/protocol/reply_dispatch.h"

#include "controller/protocol/command_frame.h"
#include "controller/protocol/reply_texts.h"

namespace controller {

namespace {

constexpr std::size_t kLengthOffset = 3;
constexpr std::size_t kDataOffset = 4;
constexpr std::size_t kPairsOffset = 5;
constexpr std::uint8_t kPortMask = 0x3F;
constexpr unsigned kMinPairsLength = 4;
constexpr unsigned kIdentityLength = 5;
// The bytes these replies read must lie inside the frame (offset 3 + L at most): the equipment
// sizes at offsets 4 and 5, the report's six data bytes at offsets 4 to 9. With the smallest
// such length the last byte read stands where a checksum would; replies are never checked
// against it, so it is data like any other.
constexpr unsigned kMinEquipmentLength = 2;
constexpr unsigned kMinReportLength = 6;

unsigned lengthByte(std::span<const std::uint8_t> frame) {
    return frame[kLengthOffset];
}

// True when the frame holds at least its header bytes and everything its length byte announces.
bool isWhole(std::span<const std::uint8_t> frame) {
    return frame.size() >= kDataOffset && frame.size() >= lengthByte(frame) + kDataOffset;
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
    if (!isWhole(frame) || lengthByte(frame) < kMinPairsLength) {
        return pairs;
    }
    const std::size_t pairBytes = lengthByte(frame) - 2;
    if (pairBytes % 2 != 0) {
        return pairs;
    }
    const auto bytes = frame.subspan(kPairsOffset, pairBytes);
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
    if (!isWhole(frame) || lengthByte(frame) < kMinReportLength) {
        return std::nullopt;
    }
    const auto data = frame.subspan(kDataOffset);
    return InputPropertiesReport{data[0], data[3], data[4], data[5]};
}

void dispatchFrame(std::span<const std::uint8_t> frame, ReplySource source,
                   const DispatchContext& context, ReplyHandler& handler) {
    if (!isWhole(frame)) {
        return;
    }
    const std::uint8_t address = frame[1];
    if (address != context.deviceAddress && address != kBroadcastAddress) {
        return;
    }
    handler.replyAccepted(frame, source);
    const std::uint8_t code = frame[2];
    const unsigned length = lengthByte(frame);
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
        if (length == kIdentityLength) {
            handler.showPromptText(identityText(frame[5], frame[6], frame[7], frame[8]));
        }
        return;
    case command::kLoadScene:
        handler.showPromptText(std::string(reloadSceneText(source)));
        return;
    case command::kInputPropertiesReport:
        if (const auto report = decodeInputPropertiesReport(frame)) {
            handler.forwardInputProperties(*report);
        }
        return;
    default:
        break;
    }
    if (code >= command::kEquipmentFirst && code <= command::kEquipmentLast &&
        length >= kMinEquipmentLength) {
        handler.showPromptText(equipmentText(code, frame[4], frame[5]));
    }
    // 0x1D echoes and unknown codes are ignored.
}

} // namespace controller
