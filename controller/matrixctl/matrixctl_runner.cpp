#include "controller/matrixctl/matrixctl_runner.h"

#include "controller/matrixctl/port_listing.h"
#include "controller/matrixctl/traffic_line.h"
#include "controller/protocol/command_frame.h"
#include "controller/protocol/matrix_kinds.h"
#include "controller/protocol/reply_dispatch.h"
#include "controller/protocol/reply_texts.h"
#include "controller/protocol/signal_code.h"
#include "platform/qt/settings_location.h"
#include "platform/whole_file.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QHostAddress>
#include <QHostInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <arpa/inet.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <iterator>

namespace matrixctl {

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// matrixctl waits for answers, so the network is polled more often than the window's 100 ms.
constexpr auto kNetworkPollPeriod = 10ms;
// The session's own reply watch would report a silent device after five seconds; matrixctl keeps
// its own time (--timeout) instead.
constexpr auto kReplyWatchPeriod = std::chrono::hours(24);

// A multi-line operator text on one line of a console program.
std::string oneLine(std::string text) {
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.replace(at, 2, " ");
    return text;
}

bool usableDestination(const std::string& address) {
    in_addr parsed{};
    return ::inet_pton(AF_INET, address.c_str(), &parsed) == 1 && parsed.s_addr != INADDR_ANY &&
           parsed.s_addr != INADDR_BROADCAST;
}

// The first IPv4 address of a host name or dotted address; nullopt when it has none.
std::optional<std::string> ipv4Of(const std::string& host) {
    in_addr parsed{};
    if (::inet_pton(AF_INET, host.c_str(), &parsed) == 1)
        return host;
    for (const QHostAddress& address :
         QHostInfo::fromName(QString::fromStdString(host)).addresses())
        if (address.protocol() == QAbstractSocket::IPv4Protocol)
            return address.toString().toStdString();
    return std::nullopt;
}

} // namespace

Runner::Runner(Invocation invocation, RunnerEnvironment environment, std::ostream& out,
               std::ostream& err)
    : m_invocation(std::move(invocation)), m_options(m_invocation.options),
      m_environment(std::move(environment)), m_out(out), m_err(err) {}

Runner::~Runner() = default;

int Runner::fail(int status, const std::string& why) {
    m_err << "matrixctl: " << why << "\n" << std::flush;
    return status;
}

int Runner::noAnswer(const std::string& to) {
    if (m_linkFailure)
        return fail(m_linkFailure->first, m_linkFailure->second);
    return fail(kNotConfirmed, "no answer from the device within " +
                                   std::to_string(m_options.timeoutMs) + " ms to " + to);
}

int Runner::run() {
    if (m_invocation.help) {
        m_out << usageText();
        return kConfirmed;
    }
    if (m_invocation.version) {
        m_out << "matrixctl " << MATRIX_VERSION << "\n";
        return kConfirmed;
    }
    const Request& request = m_invocation.request;
    if (request.command == Command::Restore) {
        std::string text;
        if (request.file == "-") {
            text.assign(std::istreambuf_iterator<char>(std::cin), {});
        } else if (platform::readWholeFile(request.file, text) != platform::FileReadResult::Ok) {
            return fail(kUsageError, "cannot read " + request.file);
        }
        std::string error;
        m_restoreFile = parseCrosspointJson(text, error);
        if (!m_restoreFile)
            return fail(kUsageError, request.file + ": " + error);
    }
    if (int status = startSession())
        return status;
    if (request.command == Command::Ports)
        return listPorts();
    if (int status = applyOptions())
        return status;
    const int ports = m_session->portCount();
    for (const auto& [in, out] : request.switches) {
        if (in > ports || out > ports)
            return fail(kUsageError, "input " + std::to_string(in) + " or output " +
                                         std::to_string(out) + " is beyond this " +
                                         std::to_string(ports) + " × " + std::to_string(ports) +
                                         " matrix (--size)");
    }
    if (int status = openLinks())
        return status;

    switch (request.command) {
    case Command::Switch:
        return switchCrosspoints(request.switches);
    case Command::Read:
        return printCrosspoints();
    case Command::Identity:
        return identity();
    case Command::SceneSave:
    case Command::SceneLoad:
        return scene(request.command == Command::SceneSave, request.scene);
    case Command::CycleStart:
    case Command::CycleStop:
        return cycle(request.command == Command::CycleStart);
    case Command::Dump:
        return dump(request.file);
    case Command::Restore:
        return restore();
    case Command::Monitor:
        return monitor();
    case Command::Ports:
        break;
    }
    return kConfirmed;
}

// Set-up -------------------------------------------------------------------------------------

int Runner::startSession() {
    // Brisvane's own name: its settings folder is found by it.
    QCoreApplication::setApplicationName(QStringLiteral("Brisvane"));
    std::string folder;
    std::string fileName = "Setting.ini";
    if (m_options.settingsFile) {
        const QFileInfo file(QString::fromStdString(*m_options.settingsFile));
        if (!file.isFile())
            return fail(kUsageError, "no settings file " + *m_options.settingsFile);
        folder = file.absolutePath().toStdString();
        fileName = file.fileName().toStdString();
    } else {
        const QFileInfo file(platform::findSettingsFile(
            QString::fromStdString(m_environment.executableFolder), QStringLiteral("Setting.ini")));
        folder = file.absolutePath().toStdString();
    }
    controller::SessionConfig config{folder, fileName, true, m_environment.ports,
                                     [] { return std::optional<std::string>(); }};
    controller::SessionListener& listener = *this;
    m_session = std::make_unique<controller::MatrixSession>(std::move(config), listener);
    m_session->loadSettings();
    m_names = std::make_unique<controller::PortNames>(m_session->settingsFile().path());
    m_names->load();
    m_session->setPauses(0ms, 0ms);
    m_session->setTimerPeriods(kReplyWatchPeriod, kNetworkPollPeriod);
    return kConfirmed;
}

int Runner::listPorts() {
    m_session->refreshComPorts();
    std::vector<controller::SerialPortRecord> machine;
    if (m_environment.ports.enumerate)
        machine = m_environment.ports.enumerate();
    m_out << portListing(portRows(m_session->comPorts(), machine), m_options.json);
    return kConfirmed;
}

int Runner::applyOptions() {
    controller::ControllerSettings& s = m_session->settings();
    std::optional<int> size = m_options.matrixSize;
    std::optional<std::uint8_t> address = m_options.address;
    if (m_restoreFile) {
        // A dump knows the matrix it came from; options may only say the same.
        if (size && *size != controller::sizeIndexOfPorts(m_restoreFile->size))
            return fail(kUsageError, "the file is for a " + std::to_string(m_restoreFile->size) +
                                         " × " + std::to_string(m_restoreFile->size) +
                                         " matrix, not the size given with --size");
        size = controller::sizeIndexOfPorts(m_restoreFile->size);
        if (!address)
            address = static_cast<std::uint8_t>(m_restoreFile->address);
    }
    if (size)
        m_session->setMatrixSize(*size);
    if (m_options.matrixType) {
        // As in the window: choosing a type with layers starts on the video layer.
        if (*m_options.matrixType != s.matrixType && controller::hasAvLayers(*m_options.matrixType))
            s.avMode = 1;
        s.matrixType = *m_options.matrixType;
    }
    if (m_options.avMode) {
        if (!controller::hasAvLayers(s.matrixType))
            return fail(kUsageError, "--layer is for \"AV Matrix\" and \"VGA Matrix\" only, and "
                                     "the settings name another type (--type)");
        s.avMode = *m_options.avMode;
    }
    if (m_options.protocolType)
        s.protocolType = *m_options.protocolType;
    if (address)
        m_session->setDeviceAddress(*address);
    return kConfirmed;
}

int Runner::openLinks() {
    controller::ControllerSettings& s = m_session->settings();
    const bool chosenHere = m_options.port || m_options.udp;
    m_serialInUse = chosenHere ? m_options.port.has_value() : true;
    m_networkInUse = chosenHere ? m_options.udp.has_value() : s.useNet != 0;
    s.useNet = m_networkInUse ? 1 : 0;

    if (m_networkInUse) {
        if (m_options.udp) {
            const auto address = ipv4Of(m_options.udp->host);
            if (!address)
                return fail(kUsageError, "cannot find the address of " + m_options.udp->host);
            s.destIp = *address;
            s.destPort = m_options.udp->port;
        }
        if (m_options.localPort)
            s.hostPort = *m_options.localPort;
        if (!usableDestination(s.destIp))
            return fail(kUsageError, "no terminal address to send to (DestIP \"" + s.destIp +
                                         "\" in the settings); give --udp HOST:PORT");
        if (!m_session->createNetwork())
            return fail(kUsageError,
                        "cannot use local UDP port " +
                            std::to_string(static_cast<std::uint16_t>(s.hostPort)) +
                            ": another program (Brisvane?) holds it; choose one with --local-port");
    }
    if (m_serialInUse) {
        const int baud = m_options.baud.value_or(m_session->selectedBaud());
        const bool opened =
            m_session->openPort(m_options.port.value_or(m_session->selectedPortName()), baud);
        if (!opened) {
            std::string reason = oneLine(m_session->openFailureReason());
            if (reason.empty())
                reason =
                    "the settings choose no COM port (SelectCOM=" + std::to_string(s.selectCom) +
                    ")";
            if (!m_networkInUse)
                return fail(kUsageError, "cannot open the serial port: " + reason);
            // The window goes on over the network in the same case.
            m_err << "matrixctl: " << reason << "; going on over the network alone\n";
            m_serialInUse = false;
        }
    }
    return kConfirmed;
}

// Waiting ------------------------------------------------------------------------------------

template <class Done>
bool Runner::waitUntil(Done done) {
    const QDeadlineTimer deadline(m_options.timeoutMs);
    QTimer timeUp;
    timeUp.setSingleShot(true);
    QObject::connect(&timeUp, &QTimer::timeout, &m_loop, &QEventLoop::quit);
    while (!done() && !m_linkFailure) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return false;
        timeUp.start(static_cast<int>(left));
        m_loop.exec();
    }
    return !m_linkFailure;
}

const std::vector<std::uint8_t>* Runner::lastReply(std::uint8_t command) const {
    for (auto it = m_replies.rbegin(); it != m_replies.rend(); ++it)
        if ((*it)[2] == command)
            return &*it;
    return nullptr;
}

std::optional<int> Runner::reportedInput(int output) const {
    std::optional<int> input;
    const int ports = m_session->portCount();
    for (const Bytes& reply : m_replies) {
        if (reply[2] != controller::command::kSwitch)
            continue;
        for (const controller::Crosspoint& p : controller::decodeCrosspoints(reply, ports, ports))
            if (p.output == output)
                input = p.input;
    }
    return input;
}

void Runner::replyAccepted(std::span<const std::uint8_t> frame, controller::ReplySource) {
    m_replies.emplace_back(frame.begin(), frame.end());
    m_loop.quit();
}

void Runner::portLost(const std::string& portName, const std::string& devicePath) {
    if (m_monitoring) {
        m_out << trafficNote(std::chrono::system_clock::now(), controller::ReplySource::Serial,
                             portName + " (" + devicePath + ") went away; waiting for it",
                             m_options.json)
              << "\n"
              << std::flush;
        return;
    }
    m_linkFailure = {kUsageError, "the serial device " + devicePath + " went away"};
    m_loop.quit();
}

void Runner::networkSendFailed() {
    const controller::ControllerSettings& s = m_session->settings();
    const std::string why = "cannot send to " + s.destIp + ":" +
                            std::to_string(static_cast<std::uint16_t>(s.destPort)) + " over UDP";
    if (m_monitoring) {
        m_err << "matrixctl: " << why << "; the network link is off\n" << std::flush;
        return;
    }
    m_linkFailure = {kUsageError, why};
    m_loop.quit();
}

// Commands -----------------------------------------------------------------------------------

int Runner::switchCrosspoints(const std::vector<std::pair<int, int>>& switches) {
    for (const auto& [in, out] : switches) {
        m_replies.clear();
        m_session->switchCrosspoint(out - 1, in - 1);
        std::optional<int> shown;
        if (!waitUntil([&] { return (shown = reportedInput(out - 1)).has_value(); }))
            return noAnswer("the switch of input " + std::to_string(in) + " to output " +
                            std::to_string(out));
        if (*shown != in - 1)
            return fail(kNotConfirmed, "output " + std::to_string(out) + " shows input " +
                                           std::to_string(*shown + 1) + ", not input " +
                                           std::to_string(in));
    }
    return kConfirmed;
}

int Runner::readCrosspoints(CrosspointFile& read) {
    m_replies.clear();
    m_session->readSwitchState();
    if (!waitUntil([&] { return lastReply(controller::command::kReadSwitch) != nullptr; }))
        return noAnswer("the read-back");
    read = controller::crosspointsFromReadBack(*lastReply(controller::command::kReadSwitch),
                                               m_session->portCount(), m_session->deviceAddress());
    return kConfirmed;
}

int Runner::printCrosspoints() {
    CrosspointFile read;
    if (int status = readCrosspoints(read))
        return status;
    if (m_options.json) {
        m_out << crosspointJson(read) << "\n";
    } else {
        // With the operator's names where the ports have them:
        //   output 2 (Projector left): input 3 (Camera 2)
        const auto named = [&](controller::PortKind kind, int number) {
            const std::string name = m_names->name(kind, number);
            return std::to_string(number) + (name.empty() ? "" : " (" + name + ")");
        };
        for (const NumberedCrosspoint& c : read.crosspoints)
            m_out << "output " << named(controller::PortKind::Output, c.output) << ": input "
                  << named(controller::PortKind::Input, c.input) << "\n";
    }
    m_out << std::flush;
    if (static_cast<int>(read.crosspoints.size()) != read.size)
        return fail(kNotConfirmed, "the device reported " +
                                       std::to_string(read.crosspoints.size()) + " of " +
                                       std::to_string(read.size) + " outputs");
    return kConfirmed;
}

int Runner::identity() {
    m_replies.clear();
    m_session->readIdentity();
    const auto identityReply = [&]() -> const Bytes* {
        const Bytes* reply = lastReply(controller::command::kReadIdentity);
        return reply && (*reply)[3] == 5 && reply->size() >= 9 ? reply : nullptr;
    };
    if (!waitUntil([&] { return identityReply() != nullptr; }))
        return noAnswer("the identity request");
    const Bytes& f = *identityReply();
    if (m_options.json) {
        m_out << "{\"type\": " << jsonString(std::string(controller::signalCodeName(f[5])))
              << ", \"address\": " << int(f[6]) << ", \"size\": [" << int(f[7]) << ", " << int(f[8])
              << "]}\n";
    } else {
        std::string text = controller::identityText(f[5], f[6], f[7], f[8]);
        for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;)
            text.replace(at, 2, "\n");
        m_out << text;
    }
    m_out << std::flush;
    return kConfirmed;
}

int Runner::scene(bool save, int number) {
    m_replies.clear();
    const std::uint8_t command =
        save ? controller::command::kSaveScene : controller::command::kLoadScene;
    if (save)
        m_session->saveScene(static_cast<std::uint8_t>(number));
    else
        m_session->loadScene(static_cast<std::uint8_t>(number));
    const std::string what = (save ? "saving scene " : "loading scene ") + std::to_string(number);
    if (!waitUntil([&] { return lastReply(command) != nullptr; }))
        return noAnswer(what);
    // The confirmation names the scene when it is long enough to.
    const Bytes& reply = *lastReply(command);
    if (reply[3] >= 3 && reply[5] != number)
        return fail(kNotConfirmed, "the device confirmed scene " + std::to_string(reply[5]) +
                                       " instead of " + std::to_string(number));
    return save ? kConfirmed : printCrosspoints();
}

int Runner::cycle(bool start) {
    // The device confirms neither; the read-back shows it is listening, and where it stands.
    if (start)
        m_session->startCycling();
    else
        m_session->stopCycling();
    return printCrosspoints();
}

int Runner::dump(const std::string& file) {
    CrosspointFile read;
    if (int status = readCrosspoints(read))
        return status;
    if (static_cast<int>(read.crosspoints.size()) != read.size)
        return fail(kNotConfirmed,
                    "the device reported " + std::to_string(read.crosspoints.size()) + " of " +
                        std::to_string(read.size) + " outputs; " + file + " is not written");
    const std::string text = crosspointJson(read) + "\n";
    if (file == "-") {
        m_out << text << std::flush;
        return kConfirmed;
    }
    if (!platform::writeWholeFile(file, text))
        return fail(kUsageError, "cannot write " + file);
    return kConfirmed;
}

int Runner::restore() {
    for (const NumberedCrosspoint& c : m_restoreFile->crosspoints) {
        m_replies.clear();
        m_session->switchCrosspoint(c.output - 1, c.input - 1);
        if (!waitUntil([&] { return reportedInput(c.output - 1).has_value(); }))
            return noAnswer("the switch of input " + std::to_string(c.input) + " to output " +
                            std::to_string(c.output));
    }
    // What counts is where the device says every output stands now.
    CrosspointFile read;
    if (int status = readCrosspoints(read))
        return status;
    const std::vector<controller::NotTaken> missed =
        controller::crosspointsNotTaken(*m_restoreFile, read);
    if (!missed.empty())
        return fail(kNotConfirmed, controller::notTakenText(missed));
    return kConfirmed;
}

} // namespace matrixctl
