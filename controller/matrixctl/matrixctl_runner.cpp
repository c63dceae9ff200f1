#include "controller/matrixctl/matrixctl_runner.h"

#include "controller/matrixctl/fd_output.h"
#include "controller/matrixctl/port_listing.h"
#include "controller/matrixctl/server_runner.h"
#include "controller/matrixctl/traffic_line.h"
#include "controller/protocol/matrix_kinds.h"
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

#include <chrono>
#include <iostream>
#include <iterator>

namespace matrixctl {

namespace {

using namespace std::chrono_literals;

// matrixctl waits for answers, so the network is polled more often than the window's 100 ms.
constexpr auto kNetworkPollPeriod = 10ms;

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

bool Runner::print(const std::string& text) {
    if (m_outputFailed)
        return false;
    m_out << text << std::flush;
    if (m_out)
        return true;
    m_outputFailed = true;
    fail(kUsageError, "cannot write to standard output: " + outputError(m_out));
    m_loop.quit();
    return false;
}

std::string Runner::sizeText() const {
    const int ports = m_session->portCount();
    return std::to_string(ports) + " × " + std::to_string(ports);
}

std::string Runner::addressText(int address) const {
    return address == controller::kBroadcastAddress ? "255 (every device)"
                                                    : std::to_string(address);
}

int Runner::run() {
    if (m_invocation.help)
        return print(usageText()) ? kConfirmed : kUsageError;
    if (m_invocation.version)
        return print("matrixctl " MATRIX_VERSION "\n") ? kConfirmed : kUsageError;
    const Request& request = m_invocation.request;
    if (int status = readRestoreFile())
        return status;
    if (m_options.server)
        return ServerRunner(m_invocation, m_environment, m_out, m_err, m_restoreFile).run();
    if (int status = startSession())
        return status;
    if (request.command == Command::Ports)
        return listPorts();
    if (int status = applyOptions())
        return status;
    if (int status = openLinks())
        return status;
    if (int status = settleSize())
        return status;
    if (int status = checkRanges())
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

int Runner::readRestoreFile() {
    const Request& request = m_invocation.request;
    if (request.command != Command::Restore)
        return kConfirmed;
    std::string text;
    if (request.file == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), {});
        if (std::cin.bad())
            return fail(kUsageError, "cannot read standard input");
    } else if (platform::readWholeFile(request.file, text) != platform::FileReadResult::Ok) {
        return fail(kUsageError, "cannot read " + request.file + ": " + platform::lastFileError());
    }
    std::string error;
    m_restoreFile = parseCrosspointJson(text, error);
    if (!m_restoreFile)
        return fail(kUsageError, request.file + ": " + error);
    return kConfirmed;
}

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
    m_sizeFromSettings = m_session->settingsFile().storesMatrixSize();
    m_session->setPauses(0ms, 0ms);
    m_session->setTimerPeriods(controller::MatrixSession::kReplyWatchPeriod, kNetworkPollPeriod);
    return kConfirmed;
}

int Runner::listPorts() {
    m_session->refreshComPorts();
    std::vector<controller::SerialPortRecord> machine;
    if (m_environment.ports.enumerate)
        machine = m_environment.ports.enumerate();
    const std::vector<PortRow> rows = portRows(m_session->comPorts(), machine);
    if (rows.empty() && !m_options.json)
        m_err << "matrixctl: no serial devices found\n" << std::flush;
    return print(portListing(rows, m_options.json)) ? kConfirmed : kUsageError;
}

int Runner::applyOptions() {
    std::optional<int> size = m_options.matrixSize;
    std::optional<std::uint8_t> address = m_options.address;
    if (m_restoreFile) {
        // The address chosen on the command line wins; the file's otherwise.
        if (!address)
            address = static_cast<std::uint8_t>(m_restoreFile->address);
        else if (*address != m_restoreFile->address)
            m_err << "matrixctl: " << m_invocation.request.file << " was saved from device "
                  << addressText(m_restoreFile->address) << "; restoring to device "
                  << addressText(*address) << " (--address)\n"
                  << std::flush;
    }
    if (size) {
        m_session->setMatrixSize(controller::portsOfSizeIndex(*size).value_or(4));
        m_sizeFromSettings = true;
    }
    if (m_options.matrixType) {
        // As in the window: choosing another type with layers starts on the video layer.
        const controller::MatrixKind* kind = controller::matrixKindAt(*m_options.matrixType);
        if (kind && kind != m_session->matrixKind())
            m_session->setMatrixKind(*kind);
    }
    if (m_options.avMode) {
        if (!controller::hasAvLayers(m_session->settings().matrixType))
            return fail(kUsageError, "--layer is for \"AV Matrix\" and \"VGA Matrix\" only, and "
                                     "the settings name another type (--type)");
        m_session->setAvMode(*m_options.avMode);
    }
    if (m_options.protocolType)
        m_session->setHeader(*m_options.protocolType == 0 ? controller::kHeaderBA
                                                          : controller::kHeader96);
    if (address)
        m_session->setDeviceAddress(*address);
    return kConfirmed;
}

bool Runner::needsSize() const {
    switch (m_invocation.request.command) {
    case Command::Ports:
    case Command::Identity:
    case Command::SceneSave:
        return false;
    default:
        return true;
    }
}

int Runner::settleSize() {
    if (m_sizeFromSettings || !needsSize())
        return kConfirmed;
    // Neither --size nor a settings file says how many ports the matrix has: it says itself.
    const auto answer = await(controller::Operation::identity());
    if (!answer)
        return linkFailed();
    const auto& identity = answer->identity;
    const int ports = identity ? std::max(identity->inputs, identity->outputs) : 0;
    if (answer->outcome != controller::Outcome::Confirmed || !controller::sizeIndexOfPorts(ports))
        return fail(kUsageError,
                    answer->outcome == controller::Outcome::Confirmed
                        ? "the device reports " + std::to_string(identity->inputs) + " × " +
                              std::to_string(identity->outputs) +
                              " ports, a size this program does not know; give --size"
                        : "no settings file nor --size gives the matrix size, and the device did "
                          "not say it (identity): give --size");
    m_session->setMatrixSize(ports);
    m_err << "matrixctl: no --size and no size in the settings: the device reports " << sizeText()
          << "\n"
          << std::flush;
    return kConfirmed;
}

int Runner::checkRanges() {
    const int ports = m_session->portCount();
    const auto outOfRange = [&](const char* what, int number) {
        return fail(kUsageError, std::string(what) + " " + std::to_string(number) +
                                     " is out of range: 1 to " + std::to_string(ports) +
                                     " on this " + sizeText() + " matrix");
    };
    for (const auto& [in, out] : m_invocation.request.switches) {
        if (in > ports)
            return outOfRange("input", in);
        if (out > ports)
            return outOfRange("output", out);
    }
    if (m_restoreFile && m_restoreFile->size != ports)
        return fail(kUsageError, m_invocation.request.file + " holds the crosspoints of a " +
                                     std::to_string(m_restoreFile->size) + " × " +
                                     std::to_string(m_restoreFile->size) + " matrix; this one is " +
                                     sizeText());
    return kConfirmed;
}

int Runner::openLinks() {
    const controller::ControllerSettings& s = m_session->settings();
    const bool chosenHere = m_options.port || m_options.udp || m_options.tcp;
    bool serialInUse = chosenHere ? m_options.port.has_value() : true;
    const bool networkInUse = chosenHere ? (m_options.udp || m_options.tcp) : s.useNet != 0;

    if (networkInUse) {
        controller::NetworkSettings net = m_session->networkSettings();
        if (const auto& target = m_options.tcp ? m_options.tcp : m_options.udp) {
            const char* option = m_options.tcp ? "--tcp " : "--udp ";
            const auto address = ipv4Of(target->host);
            if (!address)
                return fail(kUsageError,
                            option + target->host + ": no IPv4 address is known for that host");
            if (!usableDestination(*address))
                return fail(kUsageError,
                            option + target->host + ": not an address a terminal can have");
            net.destIp = *address;
            net.destPort = target->port;
            net.transport = m_options.tcp ? "TCP" : "UDP";
        } else if (!usableDestination(s.destIp)) {
            return fail(kUsageError, "no terminal address to send to (DestIP \"" + s.destIp +
                                         "\" in the settings); give --udp or --tcp HOST:PORT");
        }
        if (m_options.localPort)
            net.hostPort = *m_options.localPort;
        m_session->setNetworkSettings(net);
    }
    m_session->setUseNet(networkInUse);
    if (networkInUse) {
        const bool listens = m_session->transport().bindsLocalPort;
        if (!m_session->createNetwork())
            return fail(kUsageError,
                        listens ? "cannot use local UDP port " +
                                      std::to_string(static_cast<std::uint16_t>(s.hostPort)) +
                                      ": " + m_session->networkError() +
                                      " (another program, Brisvane?, may hold it; choose one "
                                      "with --local-port)"
                                : "cannot connect: " + m_session->networkError());
        // A connection is made in the background: wait for it, or for word that it failed (the
        // link's own time limit).
        QTimer look;
        look.setInterval(5);
        QObject::connect(&look, &QTimer::timeout, &m_loop, &QEventLoop::quit);
        look.start();
        while (!listens && !m_session->linkInUse() && !m_linkFailure)
            m_loop.exec();
        if (m_linkFailure)
            return linkFailed();
    }
    if (serialInUse) {
        const int baud = m_options.baud.value_or(m_session->selectedBaud());
        const bool opened =
            m_session->openPort(m_options.port.value_or(m_session->selectedPortName()), baud);
        if (!opened) {
            std::string reason = oneLine(m_session->openFailureReason());
            if (reason.empty())
                reason =
                    "the settings choose no COM port (SelectCOM=" + std::to_string(s.selectCom) +
                    ")";
            if (!networkInUse)
                return fail(kUsageError, "cannot open the serial port: " + reason);
            // The window goes on over the network in the same case.
            m_err << "matrixctl: " << reason << "; going on over the network alone\n" << std::flush;
            serialInUse = false;
        }
    }
    return kConfirmed;
}

// Operations ---------------------------------------------------------------------------------

std::optional<controller::OperationResult> Runner::await(controller::Operation op) {
    std::optional<controller::OperationResult> outcome;
    op.timeLimit = std::chrono::milliseconds(m_options.timeoutMs);
    m_session->start(std::move(op), [&](const controller::OperationResult& result) {
        outcome = result;
        m_loop.quit();
    });
    while (!outcome && !m_linkFailure)
        m_loop.exec();
    if (m_linkFailure)
        return std::nullopt;
    return outcome;
}

std::optional<controller::BackupJob::Result> Runner::awaitBackup(bool restoring) {
    const std::chrono::milliseconds limit(m_options.timeoutMs);
    controller::BackupJob job(*m_session, {limit, limit});
    std::optional<controller::BackupJob::Result> outcome;
    const auto done = [&](const controller::BackupJob::Result& result) {
        outcome = result;
        m_loop.quit();
    };
    if (restoring)
        job.restore(*m_restoreFile, done);
    else
        job.save(done);
    while (!outcome && !m_linkFailure)
        m_loop.exec();
    if (m_linkFailure)
        return std::nullopt;
    return outcome;
}

int Runner::outcomeFailure(const controller::OperationResult& result, const std::string& what) {
    switch (result.outcome) {
    case controller::Outcome::NoAnswer:
        return fail(kNotConfirmed, "no answer from the device within " +
                                       std::to_string(m_options.timeoutMs) + " ms to " + what);
    case controller::Outcome::OtherAddress:
        return fail(kNotConfirmed, "answer from device " + addressText(*result.answeredBy) +
                                       ", not device " + addressText(result.asked) + ", to " +
                                       what);
    case controller::Outcome::NotSent:
        return fail(kUsageError, "not sent: the device is away");
    default:
        return fail(kNotConfirmed, "the device answered " + what + " otherwise");
    }
}

// SessionListener ----------------------------------------------------------------------------

void Runner::portLost(const std::string& portName, const std::string& devicePath) {
    if (m_monitoring) {
        trace(trafficNote(std::chrono::system_clock::now(), m_session->serialLink().info(),
                          portName + " (" + devicePath + ") went away; waiting for it",
                          m_options.json));
        return;
    }
    m_linkFailure = {kUsageError, "the serial device " + devicePath + " went away"};
    m_loop.quit();
}

void Runner::networkLost(const controller::LinkInfo& link, const std::string& reason) {
    if (m_monitoring) {
        trace(trafficNote(std::chrono::system_clock::now(), link,
                          link.name + ": " + reason + "; waiting for it", m_options.json));
        return;
    }
    m_linkFailure = {kUsageError, "cannot reach the terminal, " + link.name + ": " + reason};
    m_loop.quit();
}

void Runner::networkReturned(const controller::LinkInfo& link) {
    if (m_monitoring)
        trace(trafficNote(std::chrono::system_clock::now(), link, "the terminal is back",
                          m_options.json));
    m_loop.quit();
}

void Runner::networkSendFailed() {
    const controller::ControllerSettings& s = m_session->settings();
    const std::string why = "cannot send to " + s.destIp + ":" +
                            std::to_string(static_cast<std::uint16_t>(s.destPort)) +
                            " over UDP: " + m_session->networkError();
    if (m_monitoring) {
        m_err << "matrixctl: " << why << "; the network link is off\n" << std::flush;
        return;
    }
    m_linkFailure = {kUsageError, why};
    m_loop.quit();
}

} // namespace matrixctl
