#include "controller/matrixctl/matrixctl_runner.h"

#include "controller/protocol/signal_code.h"
#include "platform/whole_file.h"

// The commands that talk to the device, each as operations of the session.
namespace matrixctl {

using controller::Operation;
using controller::OperationResult;
using controller::Outcome;

namespace {

std::string switchWords(int in, int out) {
    return "the switch of input " + std::to_string(in) + " to output " + std::to_string(out);
}

} // namespace

int Runner::linkFailed() {
    return fail(m_linkFailure->first, m_linkFailure->second);
}

int Runner::switchCrosspoints(const std::vector<std::pair<int, int>>& switches) {
    for (const auto& [in, out] : switches) {
        const auto result = await(Operation::switchInput(out - 1, in - 1).verified());
        if (!result)
            return linkFailed();
        if (result->outcome == Outcome::Confirmed)
            continue;
        if (result->outcome != Outcome::AnsweredOtherwise)
            return outcomeFailure(*result, switchWords(in, out));
        const std::string shows = result->shownInput
                                      ? "shows input " + std::to_string(*result->shownInput + 1)
                                      : "shows no input";
        return fail(kNotConfirmed, "output " + std::to_string(out) + " " + shows + ", not input " +
                                       std::to_string(in));
    }
    return kConfirmed;
}

int Runner::readCrosspoints(CrosspointFile& read) {
    const auto result = await(Operation::readState());
    if (!result)
        return linkFailed();
    if (result->outcome != Outcome::Confirmed)
        return outcomeFailure(*result, "the read-back");
    read = CrosspointFile{m_session->portCount(), m_session->deviceAddress(), {}};
    for (const controller::Crosspoint& p : result->crosspoints)
        read.crosspoints.push_back({p.output + 1, p.input + 1});
    return kConfirmed;
}

int Runner::printCrosspoints() {
    CrosspointFile read;
    if (int status = readCrosspoints(read))
        return status;
    std::string text;
    if (m_options.json) {
        text = crosspointJson(read) + "\n";
    } else {
        // With the operator's names where the ports have them:
        //   output 2 (Projector left): input 3 (Camera 2)
        const auto named = [&](controller::PortKind kind, int number) {
            const std::string name = m_session->portNames().name(kind, number);
            return std::to_string(number) + (name.empty() ? "" : " (" + name + ")");
        };
        for (const NumberedCrosspoint& c : read.crosspoints)
            text += "output " + named(controller::PortKind::Output, c.output) + ": input " +
                    named(controller::PortKind::Input, c.input) + "\n";
    }
    if (!print(text))
        return kUsageError;
    if (static_cast<int>(read.crosspoints.size()) != read.size)
        return fail(kNotConfirmed, "the device reported " +
                                       std::to_string(read.crosspoints.size()) + " of " +
                                       std::to_string(read.size) + " outputs");
    return kConfirmed;
}

int Runner::identity() {
    const auto result = await(Operation::identity());
    if (!result)
        return linkFailed();
    if (result->outcome != Outcome::Confirmed)
        return outcomeFailure(*result, "the identity request");
    const controller::DeviceIdentity& id = *result->identity;
    const std::string type(controller::signalCodeName(id.type));
    std::string text;
    if (m_options.json) {
        text = "{\"type\": " + jsonString(type) + ", \"address\": " + std::to_string(id.address) +
               ", \"size\": [" + std::to_string(id.inputs) + ", " + std::to_string(id.outputs) +
               "]}\n";
    } else {
        // "device 3: HDMI Matrix 8 × 8"
        text = "device " + std::to_string(id.address) + ": " +
               (type.empty() ? "unknown type" : type) + " " + std::to_string(id.inputs) + " × " +
               std::to_string(id.outputs) + "\n";
    }
    return print(text) ? kConfirmed : kUsageError;
}

int Runner::scene(bool save, int number) {
    const auto result = await(save ? Operation::saveScene(number) : Operation::loadScene(number));
    const std::string what = (save ? "saving scene " : "loading scene ") + std::to_string(number);
    if (!result)
        return linkFailed();
    if (result->outcome == Outcome::AnsweredOtherwise)
        return fail(kNotConfirmed, "the device confirmed scene " + std::to_string(*result->scene) +
                                       " instead of " + std::to_string(number));
    if (result->outcome != Outcome::Confirmed)
        return outcomeFailure(*result, what);
    return save ? kConfirmed : printCrosspoints();
}

int Runner::cycle(bool start) {
    // The device confirms neither; the read-back shows it is listening, and where it stands.
    const auto result = await(Operation::cycling(start));
    if (!result)
        return linkFailed();
    if (result->outcome != Outcome::Confirmed)
        return outcomeFailure(*result, start ? "the start of cycling" : "the end of cycling");
    return printCrosspoints();
}

int Runner::dump(const std::string& file) {
    const auto result = awaitBackup(false);
    if (!result)
        return linkFailed();
    using Status = controller::BackupJob::Result::Status;
    const std::string target = file == "-" ? "standard output" : file;
    switch (result->status) {
    case Status::Done:
        break;
    case Status::Incomplete:
        return fail(kNotConfirmed, "the device reported " +
                                       std::to_string(result->read.crosspoints.size()) + " of " +
                                       std::to_string(result->read.size) + " outputs; " + target +
                                       " is not written");
    case Status::OtherAddress:
        return fail(kNotConfirmed, "answer from device " + addressText(*result->answeredBy) +
                                       ", not device " + addressText(m_session->deviceAddress()) +
                                       ", to the read-back; " + target + " is not written");
    case Status::NotSent:
        return fail(kUsageError, "not sent: the device is away");
    default:
        return fail(kNotConfirmed, "no answer from the device within " +
                                       std::to_string(m_options.timeoutMs) +
                                       " ms to the read-back; " + target + " is not written");
    }
    const std::string text = crosspointJson(result->read) + "\n";
    if (file == "-")
        return print(text) ? kConfirmed : kUsageError;
    if (!platform::writeWholeFile(file, text))
        return fail(kUsageError, "cannot write " + file + ": " + platform::lastFileError());
    return kConfirmed;
}

int Runner::restore() {
    const auto result = awaitBackup(true);
    if (!result)
        return linkFailed();
    using Status = controller::BackupJob::Result::Status;
    switch (result->status) {
    case Status::Done:
    case Status::Incomplete:
        break;
    case Status::OtherAddress:
        return fail(kNotConfirmed, "answer from device " + addressText(*result->answeredBy) +
                                       ", not device " + addressText(m_session->deviceAddress()));
    case Status::NotSent:
        return fail(kUsageError, "not sent: the device is away");
    case Status::SizeChanged:
        return fail(kUsageError, "the matrix size changed during the restore");
    case Status::NoAnswer:
        return fail(kNotConfirmed,
                    "no answer from the device within " + std::to_string(m_options.timeoutMs) +
                        " ms to " +
                        (result->switched <= 1 ? "the first switch; nothing more was sent"
                                               : "the read-back after the restore"));
    }
    if (!result->notTaken.empty())
        return fail(kNotConfirmed, controller::notTakenText(result->notTaken));
    return kConfirmed;
}

} // namespace matrixctl
