#include "controller/session/matrix_session.h"

#include "controller/protocol/setup_requests.h"
#include "controller/protocol/signal_code.h"
#include "controller/protocol/switch_requests.h"

#include <algorithm>

namespace controller {

std::optional<CommandFrame> MatrixSession::requestFrame(const Operation& op) const {
    const int header = m_settings.protocolType;
    const std::uint8_t address = m_deviceAddress;
    const std::uint8_t signal = signalCode(m_settings.matrixType, m_settings.avMode);
    switch (op.kind) {
    case Operation::Kind::Switch:
        return switchRequest(header, address, signal, static_cast<std::uint8_t>(op.output),
                             static_cast<std::uint8_t>(op.input));
    case Operation::Kind::ReadState:
        return readSwitchRequest(header, address, signal, portCount());
    case Operation::Kind::Identity:
        return readIdentityRequest(header);
    case Operation::Kind::SaveScene:
        return saveSceneRequest(address, static_cast<std::uint8_t>(op.scene));
    case Operation::Kind::LoadScene:
        return loadSceneRequest(address, static_cast<std::uint8_t>(op.scene));
    case Operation::Kind::StartCycling:
        return startCycleRequest(address);
    case Operation::Kind::StopCycling:
        return stopCycleRequest(address);
    case Operation::Kind::OutputProperty:
        return outputPropertyRequest(header, address, op.property, op.value, op.channel);
    case Operation::Kind::InputProperty:
        return inputPropertyRequest(header, address, op.property, op.value, op.channel);
    case Operation::Kind::Request:
        break;
    }
    return std::nullopt;
}

void MatrixSession::start(Operation op, OperationDone done) {
    const bool serialOnly = op.kind == Operation::Kind::Request && op.serialOnly;
    const bool goesOut = m_serialOpen || (!serialOnly && m_settings.useNet != 0);
    OperationResult result;
    result.asked = op.kind == Operation::Kind::Identity ? kBroadcastAddress : m_deviceAddress;
    if (!goesOut) {
        result.outcome = Outcome::NotSent;
        deliver(std::move(done), result);
        return;
    }
    if (op.kind == Operation::Kind::Request) {
        sendFrame(op.frame, op.serialOnly);
    } else if (const auto frame = requestFrame(op)) {
        send(*frame);
    }
    if (!op.expectsAnswer()) {
        result.outcome = Outcome::Confirmed;
        deliver(std::move(done), result);
        return;
    }
    // Nobody waits for this outcome: its answer takes effect through the replies alone, and a
    // caller that sends without end (monitor's typed commands) keeps nothing here.
    if (!done && !op.readBackWhenUnconfirmed)
        return;
    InFlight& flight = m_inFlight.emplace_back();
    flight.op = std::move(op);
    flight.asked = result.asked;
    flight.ports = portCount();
    flight.done = std::move(done);
    flight.deadline = Clock::now() + flight.op.timeLimit;
    armOperationTimer();
}

void MatrixSession::armOperationTimer() {
    if (m_inFlight.empty()) {
        m_operationTimer.stop();
        return;
    }
    auto next = m_inFlight.front().deadline;
    for (const InFlight& flight : m_inFlight)
        next = std::min(next, flight.deadline);
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now());
    m_operationTimer.start(std::max(wait, std::chrono::milliseconds(0)));
}

void MatrixSession::onOperationTimer() {
    const auto now = Clock::now();
    for (auto it = m_inFlight.begin(); it != m_inFlight.end();) {
        const auto next = std::next(it);
        if (it->deadline <= now)
            operationTimedOut(it);
        it = next;
    }
    armOperationTimer();
}

void MatrixSession::offerToOperations(std::span<const std::uint8_t> frame) {
    for (auto it = m_inFlight.begin(); it != m_inFlight.end(); ++it) {
        InFlight& flight = *it;
        // A switch being read back is answered by its own echo, late, or by the read-back.
        if (flight.readingBack && frame.size() > 2 && frame[2] == command::kReadSwitch) {
            const Verdict verdict =
                judgeFrame(Operation::readState(), flight.asked, flight.ports, frame);
            if (verdict == Verdict::Answer) {
                finish(it, readBackResult(flight.op, flight.asked, flight.ports, frame));
                return armOperationTimer();
            }
            if (verdict == Verdict::Foreign)
                flight.foreign = frame[1];
            continue;
        }
        switch (judgeFrame(flight.op, flight.asked, flight.ports, frame)) {
        case Verdict::Answer:
            finish(it, answerResult(flight.op, flight.asked, flight.ports, frame));
            return armOperationTimer();
        case Verdict::Foreign:
            flight.foreign = frame[1];
            break;
        case Verdict::NotYet:
            if (const auto input = echoedInput(flight.op, flight.ports, frame))
                flight.echoed = input;
            break;
        case Verdict::Unrelated:
            break;
        }
    }
}

void MatrixSession::operationTimedOut(std::list<InFlight>::iterator it) {
    if (it->op.kind == Operation::Kind::Switch && it->op.readBackWhenUnconfirmed &&
        !it->readingBack && linkInUse()) {
        // Whatever the device did, its state says: read it back and wait as long again.
        it->readingBack = true;
        it->deadline = Clock::now() + it->op.timeLimit;
        send(readSwitchRequest(m_settings.protocolType, it->asked,
                               signalCode(m_settings.matrixType, m_settings.avMode), it->ports));
        return;
    }
    OperationResult result;
    result.asked = it->asked;
    result.outcome = Outcome::NoAnswer;
    if (it->echoed) {
        // The device answered, naming another input: the last word it said of the output.
        result.outcome = Outcome::AnsweredOtherwise;
        result.shownInput = it->echoed;
        result.answeredBy = it->asked;
    } else if (it->foreign) {
        result.outcome = Outcome::OtherAddress;
        result.answeredBy = it->foreign;
    }
    finish(it, std::move(result));
}

void MatrixSession::finish(std::list<InFlight>::iterator flight, OperationResult result) {
    OperationDone done = std::move(flight->done);
    m_inFlight.erase(flight);
    deliver(std::move(done), std::move(result));
}

void MatrixSession::deliver(OperationDone done, OperationResult result) {
    if (!done)
        return;
    // Never inside the caller's call or a reply's collection: the callback may start the next
    // request or open a window.
    QMetaObject::invokeMethod(
        this, [done = std::move(done), result = std::move(result)] { done(result); },
        Qt::QueuedConnection);
}

} // namespace controller
