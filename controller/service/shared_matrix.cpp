#include "controller/service/shared_matrix.h"

#include "controller/protocol/command_frame.h"
#include "controller/protocol/matrix_kinds.h"
#include "controller/service/matrix_link.h"

#include <QFileInfo>

namespace matrixd {

namespace {

using namespace std::chrono_literals;
using controller::Operation;
using controller::OperationResult;

// Answers over UDP are picked up this often: a client waits for them.
constexpr auto kNetworkPollPeriod = 10ms;

controller::SessionConfig sessionConfig(const MatrixConfig& config,
                                        controller::SerialPortAccess ports) {
    controller::SessionConfig session;
    if (config.brisvaneSettings.empty()) {
        // Everything comes from matrixd's own configuration: the session reads no settings
        // file (a device reads as an empty one) and writes none.
        session.settingsFolder = "/dev";
        session.settingsFileName = "null";
    } else {
        const QFileInfo file(QString::fromStdString(config.brisvaneSettings));
        session.settingsFolder = file.absolutePath().toStdString();
        session.settingsFileName = file.fileName().toStdString();
    }
    session.readOnly = true;
    session.ports = std::move(ports);
    // The host's own address is only stored in the settings; no need to look for it.
    session.hostAddress = [] { return std::optional<std::string>(); };
    return session;
}

bool usableDestination(const std::string& address) {
    return !address.empty() && address != "0.0.0.0" && address != "255.255.255.255";
}

} // namespace

SharedMatrix::SharedMatrix(MatrixConfig config, controller::SerialPortAccess ports, Events events)
    : m_config(std::move(config)), m_events(std::move(events)) {
    controller::SessionListener& listener = *this;
    m_session = std::make_unique<controller::MatrixSession>(
        sessionConfig(m_config, std::move(ports)), listener);
    controller::MatrixSession& s = *m_session;
    s.loadSettings();
    s.setPauses(0ms, 0ms);
    s.setTimerPeriods(controller::MatrixSession::kReplyWatchPeriod, kNetworkPollPeriod);
    m_backup = std::make_unique<controller::BackupJob>(
        s, controller::BackupJob::Limits{m_config.timeout, m_config.timeout});

    if (m_config.link) {
        s.setMatrixSize(m_config.ports);
        if (const controller::MatrixKind* kind = controller::matrixKindAt(m_config.matrixType))
            s.setMatrixKind(*kind);
        s.setAvMode(m_config.avMode);
        s.setHeader(m_config.header);
        s.setDeviceAddress(m_config.address);
        for (int n = 1; n <= m_config.ports; ++n) {
            const auto at = static_cast<std::size_t>(n - 1);
            s.keepPortName(controller::PortKind::Input, n, m_config.inputNames[at]);
            s.keepPortName(controller::PortKind::Output, n, m_config.outputNames[at]);
        }
        addLink(*m_config.link, m_config.baud, m_config.localPort);
    } else {
        // Brisvane's matrix, on the links its settings name, as matrixctl opens them.
        const controller::ControllerSettings& settings = s.settings();
        if (const std::string port = s.selectedPortName(); !port.empty()) {
            LinkAddress serial;
            serial.device = port;
            addLink(serial, s.selectedBaud(), 0);
        }
        if (settings.useNet != 0 && usableDestination(settings.destIp)) {
            LinkAddress terminal;
            terminal.kind =
                s.transport().bindsLocalPort ? LinkAddress::Kind::Udp : LinkAddress::Kind::Tcp;
            terminal.host = settings.destIp;
            terminal.port = static_cast<std::uint16_t>(settings.destPort);
            addLink(terminal, 0, static_cast<std::uint16_t>(settings.hostPort));
        }
        s.setUseNet(false);
    }
    m_stateTimer.setInterval(kStatePeriod);
    QObject::connect(&m_stateTimer, &QTimer::timeout, [this] { onStateTick(); });
}

SharedMatrix::~SharedMatrix() {
    m_stateTimer.stop();
}

void SharedMatrix::addLink(const LinkAddress& address, int baud, std::uint16_t localPort) {
    Link link;
    link.address = address;
    link.baud = baud;
    link.localPort = localPort;
    m_links.push_back(std::move(link));
}

void SharedMatrix::start() {
    m_started = true;
    if (m_links.empty() && m_events.log)
        m_events.log("matrix " + name() +
                     ": no link: the settings name neither a COM port nor "
                     "a terminal (UseNet)");
    connectLinks();
    m_session->watchPortPresence();
    updateLinkState();
    m_stateTimer.start();
}

void SharedMatrix::onStateTick() {
    // A TCP connection comes up in the background, and says so only after it was lost once.
    if (++m_ticksToRetry >= kRetryPeriod / kStatePeriod) {
        m_ticksToRetry = 0;
        connectLinks();
    }
    updateLinkState();
}

void SharedMatrix::connectLinks() {
    for (Link& link : m_links) {
        if (linkInUse(*m_session, link.address))
            continue;
        // A device that went away is awaited by the session itself, which opens it again.
        if (link.address.kind == LinkAddress::Kind::Serial && m_session->awaitingPortReturn())
            continue;
        std::string failure = connectLink(*m_session, link.address, link.baud, link.localPort);
        if (failure != link.lastFailure && m_events.log)
            m_events.log("matrix " + name() + ": " + matrixd::linkText(link.address) + ": " +
                         (failure.empty() ? "in use again" : failure));
        link.lastFailure = std::move(failure);
    }
}

void SharedMatrix::updateLinkState() {
    bool up = false;
    for (const Link& link : m_links)
        up = up || linkInUse(*m_session, link.address);
    if (up == m_up || !m_started)
        return;
    m_up = up;
    if (m_events.log)
        m_events.log("matrix " + name() + ": link " + (up ? "up" : "down"));
    if (m_events.link)
        m_events.link(*this, up);
    if (up)
        readBackQuietly();
}

void SharedMatrix::readBackQuietly() {
    submit(Operation::readState(), [](const OperationResult&) {});
}

std::string SharedMatrix::typeName() const {
    const controller::MatrixKind* kind = m_session->matrixKind();
    return kind ? std::string(kind->name) : std::string();
}

std::string SharedMatrix::linkText() const {
    std::string text;
    for (const Link& link : m_links)
        text += (text.empty() ? "" : ", ") + matrixd::linkText(link.address);
    return text;
}

std::vector<controller::NumberedCrosspoint> SharedMatrix::crosspoints() const {
    std::vector<controller::NumberedCrosspoint> known;
    for (int o = 0; o < ports(); ++o)
        if (const auto& input = m_inputs[static_cast<std::size_t>(o)])
            known.push_back({o + 1, *input + 1});
    return known;
}

bool SharedMatrix::submit(Operation op, Done done) {
    op.timeLimit = m_config.timeout;
    return m_queue.submit(
        [this, op = std::move(op), done = std::move(done)](OperationQueue::Finished finished) {
            m_session->start(op, [done, finished](const OperationResult& result) {
                done(result);
                finished();
            });
        });
}

bool SharedMatrix::submitSceneLoad(
    int scene,
    std::function<void(const OperationResult& load, const OperationResult* readBack)> done) {
    return m_queue.submit([this, scene, done = std::move(done)](OperationQueue::Finished finished) {
        m_session->start(Operation::loadScene(scene).within(m_config.timeout),
                         [this, done, finished](const OperationResult& load) {
                             if (load.outcome != controller::Outcome::Confirmed) {
                                 done(load, nullptr);
                                 return finished();
                             }
                             m_session->start(
                                 Operation::readState().within(m_config.timeout),
                                 [done, finished, load](const OperationResult& readBack) {
                                     done(load, &readBack);
                                     finished();
                                 });
                         });
    });
}

bool SharedMatrix::submitBackup(std::optional<controller::CrosspointFile> restore,
                                BackupDone done) {
    return m_queue.submit([this, restore = std::move(restore),
                           done = std::move(done)](OperationQueue::Finished finished) {
        const auto ended = [done, finished](const controller::BackupJob::Result& result) {
            done(result);
            finished();
        };
        if (restore)
            m_backup->restore(*restore, ended);
        else
            m_backup->save(ended);
    });
}

// SessionListener -----------------------------------------------------------------------------

void SharedMatrix::crosspointsReported(const std::vector<controller::Crosspoint>& pairs) {
    for (const controller::Crosspoint& p : pairs) {
        std::optional<int>& shown = m_inputs[static_cast<std::size_t>(p.output)];
        if (shown == p.input)
            continue;
        shown = p.input;
        if (m_events.crosspoint)
            m_events.crosspoint(*this, p.output + 1, p.input + 1);
    }
}

void SharedMatrix::portOpened(const std::string&, int) {
    updateLinkState();
}

void SharedMatrix::portClosed() {
    updateLinkState();
}

void SharedMatrix::portLost(const std::string& portName, const std::string& devicePath) {
    if (m_events.log)
        m_events.log("matrix " + name() + ": " + portName + " (" + devicePath +
                     ") went away; waiting for it");
    updateLinkState();
}

void SharedMatrix::portReturned() {
    updateLinkState();
}

void SharedMatrix::networkSendFailed() {
    if (m_events.log)
        m_events.log("matrix " + name() + ": cannot send over UDP: " + m_session->networkError());
    updateLinkState();
}

void SharedMatrix::networkLost(const controller::LinkInfo& link, const std::string& reason) {
    if (m_events.log)
        m_events.log("matrix " + name() + ": " + link.name + ": " + reason);
    updateLinkState();
}

void SharedMatrix::networkReturned(const controller::LinkInfo&) {
    updateLinkState();
}

void SharedMatrix::settingsFileMessage(const platform::Prompt& prompt) {
    if (m_events.log)
        m_events.log("matrix " + name() + ": " + prompt.text);
}

} // namespace matrixd
