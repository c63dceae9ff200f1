#include "controller/session/operation.h"

#include "controller/protocol/command_frame.h"
#include "controller/protocol/reply_dispatch.h"
#include "controller/protocol/setup_requests.h"

#include <algorithm>

namespace controller {

namespace {

constexpr std::size_t kHeaderBytes = 4;
constexpr std::uint8_t kIdentityLength = 5;
constexpr std::uint8_t kMinReportLength = 6;
constexpr std::uint8_t kMinSceneLength = 3;

bool isWhole(std::span<const std::uint8_t> frame) {
    return frame.size() >= kHeaderBytes && frame.size() >= frame[3] + kHeaderBytes;
}

// The command that answers `op`, or none.
std::optional<std::uint8_t> answerCommand(const Operation& op) {
    switch (op.kind) {
    case Operation::Kind::Switch:
        return command::kSwitch;
    case Operation::Kind::ReadState:
        return command::kReadSwitch;
    case Operation::Kind::Identity:
        return command::kReadIdentity;
    case Operation::Kind::SaveScene:
        return command::kSaveScene;
    case Operation::Kind::LoadScene:
        return command::kLoadScene;
    case Operation::Kind::InputProperty:
        if (op.property == input_property::kRead)
            return command::kInputPropertiesReport;
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

// The last pair of the frame that names `output`, if any.
std::optional<int> inputShown(std::span<const std::uint8_t> frame, int ports, int output) {
    std::optional<int> input;
    for (const Crosspoint& p : decodeCrosspoints(frame, ports, ports))
        if (p.output == output)
            input = p.input;
    return input;
}

// One pair per output, the last one a frame names for it, in output order.
std::vector<Crosspoint> statePairs(std::span<const std::uint8_t> frame, int ports) {
    std::vector<std::optional<int>> inputs(static_cast<std::size_t>(std::max(ports, 0)));
    for (const Crosspoint& p : decodeCrosspoints(frame, ports, ports))
        inputs[static_cast<std::size_t>(p.output)] = p.input;
    std::vector<Crosspoint> pairs;
    for (std::size_t o = 0; o < inputs.size(); ++o)
        if (inputs[o])
            pairs.push_back({static_cast<int>(o), *inputs[o]});
    return pairs;
}

} // namespace

Operation Operation::switchInput(int output, int input) {
    Operation op;
    op.kind = Kind::Switch;
    op.output = output;
    op.input = input;
    return op;
}

Operation Operation::readState() {
    return Operation{};
}

Operation Operation::identity() {
    Operation op;
    op.kind = Kind::Identity;
    return op;
}

Operation Operation::saveScene(int scene) {
    Operation op;
    op.kind = Kind::SaveScene;
    op.scene = scene;
    return op;
}

Operation Operation::loadScene(int scene) {
    Operation op;
    op.kind = Kind::LoadScene;
    op.scene = scene;
    return op;
}

Operation Operation::cycling(bool start) {
    Operation op;
    op.kind = start ? Kind::StartCycling : Kind::StopCycling;
    return op;
}

Operation Operation::outputProperty(std::uint8_t property, std::uint8_t value,
                                    std::uint8_t channel) {
    Operation op;
    op.kind = Kind::OutputProperty;
    op.property = property;
    op.value = value;
    op.channel = channel;
    return op;
}

Operation Operation::inputProperty(std::uint8_t property, std::uint8_t value,
                                   std::uint8_t channel) {
    Operation op = outputProperty(property, value, channel);
    op.kind = Kind::InputProperty;
    return op;
}

Operation Operation::request(std::vector<std::uint8_t> frame, bool serialOnly) {
    Operation op;
    op.kind = Kind::Request;
    op.frame = std::move(frame);
    op.serialOnly = serialOnly;
    return op;
}

bool Operation::expectsAnswer() const {
    return answerCommand(*this).has_value();
}

Verdict judgeFrame(const Operation& op, std::uint8_t asked, int ports,
                   std::span<const std::uint8_t> frame) {
    const auto command = answerCommand(op);
    if (!command || !isWhole(frame) || frame[2] != *command)
        return Verdict::Unrelated;
    const std::uint8_t length = frame[3];
    switch (op.kind) {
    case Operation::Kind::Identity:
        // Asked of every device: whoever answers is the answer, and says who it is.
        return length == kIdentityLength ? Verdict::Answer : Verdict::Unrelated;
    case Operation::Kind::InputProperty:
        if (length < kMinReportLength || frame.size() < 10)
            return Verdict::Unrelated;
        break;
    default:
        break;
    }
    const std::uint8_t from = frame[1];
    if (asked != kBroadcastAddress && from != asked && from != kBroadcastAddress)
        return Verdict::Foreign;
    // An echo of another switch (a late answer to an earlier request) confirms nothing, nor a
    // report of another input.
    if (op.kind == Operation::Kind::Switch && inputShown(frame, ports, op.output) != op.input)
        return Verdict::NotYet;
    if (op.kind == Operation::Kind::InputProperty && frame[4] != op.channel)
        return Verdict::NotYet;
    return Verdict::Answer;
}

std::optional<int> echoedInput(const Operation& op, int ports,
                               std::span<const std::uint8_t> frame) {
    if (op.kind != Operation::Kind::Switch || !isWhole(frame) || frame[2] != command::kSwitch)
        return std::nullopt;
    return inputShown(frame, ports, op.output);
}

OperationResult answerResult(const Operation& op, std::uint8_t asked, int ports,
                             std::span<const std::uint8_t> frame) {
    OperationResult result;
    result.outcome = Outcome::Confirmed;
    result.asked = asked;
    result.answeredBy = frame[1];
    switch (op.kind) {
    case Operation::Kind::Switch:
        result.shownInput = op.input;
        break;
    case Operation::Kind::ReadState:
        result.crosspoints = statePairs(frame, ports);
        break;
    case Operation::Kind::Identity:
        result.identity = DeviceIdentity{frame[5], frame[6], frame[7], frame[8]};
        break;
    case Operation::Kind::SaveScene:
    case Operation::Kind::LoadScene:
        // A confirmation long enough to carry the scene names it; another scene is not this one.
        if (frame[3] >= kMinSceneLength && frame.size() > 5) {
            result.scene = frame[5];
            if (frame[5] != op.scene)
                result.outcome = Outcome::AnsweredOtherwise;
        }
        break;
    case Operation::Kind::InputProperty:
        result.inputProperties = decodeInputPropertiesReport(frame);
        break;
    default:
        break;
    }
    return result;
}

OperationResult readBackResult(const Operation& op, std::uint8_t asked, int ports,
                               std::span<const std::uint8_t> frame) {
    OperationResult result;
    result.asked = asked;
    result.answeredBy = frame[1];
    result.crosspoints = statePairs(frame, ports);
    result.shownInput = inputShown(frame, ports, op.output);
    result.outcome =
        result.shownInput == op.input ? Outcome::Confirmed : Outcome::AnsweredOtherwise;
    return result;
}

} // namespace controller
