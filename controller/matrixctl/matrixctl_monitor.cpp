#include "controller/matrixctl/matrixctl_runner.h"

#include "controller/matrixctl/traffic_line.h"

#include <QSocketNotifier>

#include <chrono>

// monitor: the traffic of the links as it goes past, and the commands typed meanwhile.
namespace matrixctl {

void Runner::trace(const std::string& line) {
    print(line + "\n");
}

void Runner::portReturned() {
    if (m_monitoring)
        trace(trafficNote(std::chrono::system_clock::now(), m_session->serialLink().info(),
                          "the device is back", m_options.json));
}

void Runner::frameSent(std::span<const std::uint8_t> frame, const controller::LinkInfo& link) {
    if (m_monitoring)
        trace(trafficLine(std::chrono::system_clock::now(), link, TrafficDirection::Sent, frame,
                          m_options.json, m_session->portNamer()));
}

void Runner::frameReceived(std::span<const std::uint8_t> frame, const controller::LinkInfo& link) {
    if (m_monitoring)
        trace(trafficLine(std::chrono::system_clock::now(), link, TrafficDirection::Received, frame,
                          m_options.json, m_session->portNamer()));
}

void Runner::bytesDiscarded(std::span<const std::uint8_t> bytes, const controller::LinkInfo& link) {
    if (m_monitoring)
        trace(trafficLine(std::chrono::system_clock::now(), link, TrafficDirection::Discarded,
                          bytes, m_options.json));
}

int Runner::monitor() {
    m_monitoring = true;
    m_session->watchPortPresence();
    bool stopped = false;
    if (m_environment.stopFd >= 0) {
        m_stopNotifier =
            std::make_unique<QSocketNotifier>(m_environment.stopFd, QSocketNotifier::Read);
        QObject::connect(m_stopNotifier.get(), &QSocketNotifier::activated, &m_loop, [&] {
            stopped = true;
            m_loop.quit();
        });
    }
    if (m_environment.commandFd >= 0) {
        m_typedCommands = std::make_unique<TypedCommands>(
            m_environment.commandFd, m_err,
            [this](const std::vector<std::string>& words) { runTypedCommand(words); });
    }
    // Standard output that cannot take the trace ends the watch: nobody would see it.
    while (!stopped && !m_outputFailed)
        m_loop.exec();
    return m_outputFailed ? kUsageError : kConfirmed;
}

void Runner::runTypedCommand(const std::vector<std::string>& words) {
    std::string error;
    const std::optional<Request> request = parseRequest(words, error);
    if (!request) {
        m_err << "matrixctl: " << error << "\n" << std::flush;
        return;
    }
    using controller::Operation;
    std::vector<Operation> ops;
    const int ports = m_session->portCount();
    switch (request->command) {
    case Command::Switch:
        for (const auto& [in, out] : request->switches) {
            const int wrong = in > ports ? in : out > ports ? out : 0;
            if (wrong == 0) {
                ops.push_back(Operation::switchInput(out - 1, in - 1));
                continue;
            }
            m_err << "matrixctl: " << (in > ports ? "input " : "output ") << wrong
                  << " is out of range: 1 to " << ports << " on this " << sizeText() << " matrix\n"
                  << std::flush;
        }
        break;
    case Command::Read:
        ops.push_back(Operation::readState());
        break;
    case Command::Identity:
        ops.push_back(Operation::identity());
        break;
    case Command::SceneSave:
        ops.push_back(Operation::saveScene(request->scene));
        break;
    case Command::SceneLoad:
        ops.push_back(Operation::loadScene(request->scene));
        break;
    case Command::CycleStart:
    case Command::CycleStop:
        ops.push_back(Operation::cycling(request->command == Command::CycleStart));
        break;
    default:
        m_err << "matrixctl: " << words[0] << " cannot be sent from monitor\n" << std::flush;
        return;
    }
    // The answers show in the trace; only a request that could not go out is said here.
    if (!ops.empty() && !m_session->linkInUse()) {
        m_err << "matrixctl: not sent: the device is away\n" << std::flush;
        return;
    }
    for (Operation& op : ops)
        m_session->start(std::move(op));
}

} // namespace matrixctl
