#include "controller/matrixctl/matrixctl_runner.h"

#include "controller/matrixctl/traffic_line.h"

#include <QSocketNotifier>

#include <unistd.h>

#include <chrono>
#include <iterator>
#include <sstream>

// monitor: the traffic of the links as it goes past, and the commands typed meanwhile.
namespace matrixctl {

void Runner::portReturned() {
    if (m_monitoring)
        m_out << trafficNote(std::chrono::system_clock::now(), controller::ReplySource::Serial,
                             "the device is back", m_options.json)
              << "\n"
              << std::flush;
}

void Runner::frameSent(std::span<const std::uint8_t> frame, controller::ReplySource link) {
    if (m_monitoring)
        m_out << trafficLine(std::chrono::system_clock::now(), link, TrafficDirection::Sent, frame,
                             m_options.json, m_names->namer())
              << "\n"
              << std::flush;
}

void Runner::frameReceived(std::span<const std::uint8_t> frame, controller::ReplySource link) {
    if (m_monitoring)
        m_out << trafficLine(std::chrono::system_clock::now(), link, TrafficDirection::Received,
                             frame, m_options.json, m_names->namer())
              << "\n"
              << std::flush;
}

void Runner::bytesDiscarded(std::span<const std::uint8_t> bytes, controller::ReplySource link) {
    if (m_monitoring)
        m_out << trafficLine(std::chrono::system_clock::now(), link, TrafficDirection::Discarded,
                             bytes, m_options.json)
              << "\n"
              << std::flush;
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
        m_commandNotifier =
            std::make_unique<QSocketNotifier>(m_environment.commandFd, QSocketNotifier::Read);
        QObject::connect(m_commandNotifier.get(), &QSocketNotifier::activated, &m_loop,
                         [this] { runTypedCommands(); });
    }
    while (!stopped)
        m_loop.exec();
    return kConfirmed;
}

void Runner::runTypedCommands() {
    char buffer[512];
    const ssize_t got = ::read(m_environment.commandFd, buffer, sizeof buffer);
    if (got <= 0) {
        // The end of the input, or an input that cannot be read: monitor goes on listening.
        m_commandNotifier->setEnabled(false);
        return;
    }
    m_typed.append(buffer, static_cast<std::size_t>(got));
    for (std::size_t end; (end = m_typed.find('\n')) != std::string::npos;) {
        std::istringstream line(m_typed.substr(0, end));
        m_typed.erase(0, end + 1);
        const std::vector<std::string> words{std::istream_iterator<std::string>(line), {}};
        if (words.empty())
            continue;
        std::string error;
        const std::optional<Request> request = parseRequest(words, error);
        if (!request) {
            m_err << "matrixctl: " << error << "\n" << std::flush;
            continue;
        }
        const int ports = m_session->portCount();
        switch (request->command) {
        case Command::Switch:
            for (const auto& [in, out] : request->switches) {
                if (in <= ports && out <= ports)
                    m_session->switchCrosspoint(out - 1, in - 1);
                else
                    m_err << "matrixctl: input " << in << " or output " << out
                          << " is beyond this matrix\n"
                          << std::flush;
            }
            break;
        case Command::Read:
            m_session->readSwitchState();
            break;
        case Command::Identity:
            m_session->readIdentity();
            break;
        case Command::SceneSave:
            m_session->saveScene(static_cast<std::uint8_t>(request->scene));
            break;
        case Command::SceneLoad:
            m_session->loadScene(static_cast<std::uint8_t>(request->scene));
            break;
        case Command::CycleStart:
            m_session->startCycling();
            break;
        case Command::CycleStop:
            m_session->stopCycling();
            break;
        default:
            m_err << "matrixctl: " << words[0] << " cannot be sent from monitor\n" << std::flush;
            break;
        }
    }
    // A line without an end that outgrows any command is no command.
    if (m_typed.size() > 4096)
        m_typed.clear();
}

} // namespace matrixctl
