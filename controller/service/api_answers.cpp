#include "controller/service/api_answers.h"

#include "controller/protocol/command_frame.h"
#include "controller/service/json_text.h"
#include "controller/session/crosspoint_file.h"

namespace matrixd {

namespace {

using controller::Outcome;

std::string addressText(int address) {
    return address == controller::kBroadcastAddress ? "255 (every device)"
                                                    : std::to_string(address);
}

ApiResponse failure(int status, const std::string& error) {
    return {status, errorJson(error)};
}

// The answer to an outcome other than Confirmed and AnsweredOtherwise.
ApiResponse notConfirmed(const controller::OperationResult& result, const std::string& what,
                         const MatrixFacts& facts) {
    switch (result.outcome) {
    case Outcome::OtherAddress:
        return failure(502, "answer from device " + addressText(result.answeredBy.value_or(0)) +
                                ", not device " + addressText(result.asked) + ", to " + what);
    case Outcome::NotSent:
        return failure(503, "not sent: the link to the device is down");
    default:
        return failure(504, "no answer from the device within " +
                                std::to_string(facts.timeout.count()) + " ms to " + what);
    }
}

std::string notTakenJson(const std::vector<controller::NotTaken>& missed) {
    std::vector<std::string> items;
    for (const controller::NotTaken& m : missed) {
        JsonObject item;
        item.add("output", m.output).add("wanted", m.wanted);
        if (m.shown)
            item.add("shown", *m.shown);
        else
            item.addNull("shown");
        items.push_back(item.text());
    }
    return jsonArray(items);
}

} // namespace

std::string readBackJson(const controller::OperationResult& result, const MatrixFacts& facts) {
    controller::CrosspointFile file{facts.ports, facts.address, {}};
    for (const controller::Crosspoint& p : result.crosspoints)
        file.crosspoints.push_back({p.output + 1, p.input + 1});
    return controller::crosspointJson(file);
}

ApiResponse switchAnswer(const controller::OperationResult& result, int output, int input,
                         const MatrixFacts& facts) {
    if (result.outcome == Outcome::Confirmed)
        return {200, JsonObject().add("output", output).add("input", input).text()};
    if (result.outcome != Outcome::AnsweredOtherwise)
        return notConfirmed(result,
                            "the switch of input " + std::to_string(input) + " to output " +
                                std::to_string(output),
                            facts);
    JsonObject body;
    const std::string shows = result.shownInput
                                  ? "shows input " + std::to_string(*result.shownInput + 1)
                                  : "shows no input";
    body.add("error", "output " + std::to_string(output) + " " + shows + ", not input " +
                          std::to_string(input));
    body.add("output", output);
    if (result.shownInput)
        body.add("input", *result.shownInput + 1);
    else
        body.addNull("input");
    return {409, body.text()};
}

ApiResponse readAnswer(const controller::OperationResult& result, const MatrixFacts& facts) {
    if (result.outcome != Outcome::Confirmed)
        return notConfirmed(result, "the read-back", facts);
    return {200, readBackJson(result, facts)};
}

namespace {

ApiResponse sceneAnswer(const controller::OperationResult& result, int scene, const char* doing,
                        const MatrixFacts& facts) {
    if (result.outcome == Outcome::AnsweredOtherwise)
        return {409, JsonObject()
                         .add("error", "the device confirmed scene " +
                                           std::to_string(result.scene.value_or(0)) +
                                           " instead of " + std::to_string(scene))
                         .add("scene", result.scene.value_or(0))
                         .text()};
    if (result.outcome != Outcome::Confirmed)
        return notConfirmed(result, std::string(doing) + " scene " + std::to_string(scene), facts);
    return {200, JsonObject().add("scene", scene).text()};
}

} // namespace

ApiResponse sceneSaveAnswer(const controller::OperationResult& result, int scene,
                            const MatrixFacts& facts) {
    return sceneAnswer(result, scene, "saving", facts);
}

ApiResponse sceneLoadAnswer(const controller::OperationResult& load,
                            const controller::OperationResult* readBack, int scene,
                            const MatrixFacts& facts) {
    if (load.outcome != Outcome::Confirmed || !readBack)
        return sceneAnswer(load, scene, "loading", facts);
    if (readBack->outcome != Outcome::Confirmed)
        return notConfirmed(*readBack, "the read-back after loading scene " + std::to_string(scene),
                            facts);
    // {"scene": 2, "size": 8, "address": 1, "crosspoints": [...]}
    const std::string read = readBackJson(*readBack, facts);
    return {200, "{\"scene\": " + std::to_string(scene) + ", " + read.substr(1)};
}

ApiResponse backupAnswer(const controller::BackupJob::Result& result, const MatrixFacts& facts) {
    using Status = controller::BackupJob::Result::Status;
    controller::OperationResult outcome;
    outcome.asked = static_cast<std::uint8_t>(facts.address);
    outcome.answeredBy = result.answeredBy;
    switch (result.status) {
    case Status::Done:
        return {200, controller::crosspointJson(result.read)};
    case Status::Incomplete:
        return {502, JsonObject()
                         .add("error", "the device reported " +
                                           std::to_string(result.read.crosspoints.size()) + " of " +
                                           std::to_string(result.read.size) + " outputs")
                         .addRaw("read", controller::crosspointJson(result.read))
                         .text()};
    case Status::OtherAddress:
        outcome.outcome = Outcome::OtherAddress;
        break;
    case Status::NotSent:
        outcome.outcome = Outcome::NotSent;
        break;
    default:
        outcome.outcome = Outcome::NoAnswer;
        break;
    }
    return notConfirmed(outcome, "the read-back", facts);
}

ApiResponse restoreAnswer(const controller::BackupJob::Result& result, const MatrixFacts& facts) {
    using Status = controller::BackupJob::Result::Status;
    controller::OperationResult outcome;
    outcome.asked = static_cast<std::uint8_t>(facts.address);
    outcome.answeredBy = result.answeredBy;
    switch (result.status) {
    case Status::Done:
    case Status::Incomplete: {
        JsonObject body;
        if (!result.notTaken.empty())
            body.add("error", controller::notTakenText(result.notTaken));
        body.add("switched", static_cast<int>(result.switched))
            .addRaw("not_taken", notTakenJson(result.notTaken));
        return {result.notTaken.empty() ? 200 : 409, body.text()};
    }
    case Status::SizeChanged:
        return failure(409, "the matrix size changed during the restore");
    case Status::OtherAddress:
        outcome.outcome = Outcome::OtherAddress;
        return notConfirmed(outcome, "the restore", facts);
    case Status::NotSent:
        outcome.outcome = Outcome::NotSent;
        return notConfirmed(outcome, "the restore", facts);
    case Status::NoAnswer:
        outcome.outcome = Outcome::NoAnswer;
        return notConfirmed(outcome,
                            result.switched <= 1 ? "the first switch; nothing more was sent"
                                                 : "the read-back after the restore",
                            facts);
    }
    return failure(500, "unknown outcome");
}

ApiResponse busyAnswer(const std::string& matrix) {
    return failure(503, "matrix " + matrix + " is busy: 64 requests wait already; try again");
}

} // namespace matrixd
