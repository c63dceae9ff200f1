#include "controller/session/matrix_session.h"

#include "controller/protocol/matrix_kinds.h"
#include "controller/protocol/setup_requests.h"
#include "controller/protocol/signal_code.h"
#include "controller/protocol/switch_requests.h"
#include "platform/host_address.h"

#include <QThread>

#include <array>

namespace controller {

namespace {

// Bytes read per notification at most. The monitor notifies again at once when more are
// waiting, so a device that never stops talking cannot hold the thread in one drain.
constexpr std::size_t kMaxDrainBytes = 4096;

// Ticks of the reply watch a read-back is granted before it counts as unanswered.
constexpr int kReplyWatchGrace = 3;

void pause(std::chrono::milliseconds time) {
    if (time.count() > 0)
        QThread::msleep(static_cast<unsigned long>(time.count()));
}

} // namespace

MatrixSession::MatrixSession(SessionConfig config, SessionListener& listener)
    : m_config(std::move(config)), m_listener(listener), m_settingsMessages(listener),
      m_settingsFile(m_config.settingsFolder, m_config.settingsFileName), m_names(m_settingsFile),
      m_serial([this](const std::string& portName) { return comPortPath(portName); },
               m_config.ports.open) {
    m_replyWatchTimer.setInterval(kReplyWatchPeriod);
    m_networkPollTimer.setInterval(kNetworkPollPeriod);
    m_portPresenceTimer.setInterval(kPortPresencePeriod);
    connect(&m_replyWatchTimer, &QTimer::timeout, this, &MatrixSession::onReplyWatchTick);
    connect(&m_networkPollTimer, &QTimer::timeout, this, &MatrixSession::onNetworkPollTick);
    connect(&m_portPresenceTimer, &QTimer::timeout, this, &MatrixSession::onPortPresenceTick);
    m_operationTimer.setSingleShot(true);
    connect(&m_operationTimer, &QTimer::timeout, this, &MatrixSession::onOperationTimer);
}

MatrixSession::~MatrixSession() {
    m_replyWatchTimer.stop();
    m_networkPollTimer.stop();
    m_portPresenceTimer.stop();
    m_operationTimer.stop();
    // The monitor thread must be gone before the object it notifies.
    m_serial.Close();
}

bool MatrixSession::createNetwork() {
    const std::optional<std::string> address =
        m_config.hostAddress ? m_config.hostAddress() : platform::detectHostAddress();
    if (address)
        m_settings.netIp = address->empty() ? "127.0.0.1" : *address;
    if (!m_net.Create(m_settings.hostPort))
        return false;
    m_networkPollTimer.start();
    return true;
}

// Requests ----------------------------------------------------------------------------------

void MatrixSession::send(const CommandFrame& frame) {
    sendFrame(frame.bytes(), frame.route() == LinkRoute::SerialOnly);
}

void MatrixSession::sendFrame(std::span<const std::uint8_t> frame, bool serialOnly) {
    if (m_serialOpen) {
        m_serial.Write(frame.data(), frame.size(), true);
        m_listener.frameSent(frame, ReplySource::Serial);
    }
    if (serialOnly || m_settings.useNet == 0)
        return;
    if (m_net.Send(frame.data(), frame.size(), m_settings.destIp, m_settings.destPort)) {
        m_listener.frameSent(frame, ReplySource::Network);
        return;
    }
    // Off before anyone hears of it: a frame sent meanwhile goes to the serial link alone.
    m_settings.useNet = 0;
    m_listener.networkSendFailed();
}

void MatrixSession::switchCrosspoint(int output, int input) {
    start(Operation::switchInput(output, input));
    // The device needs a moment between two switch requests.
    pause(m_switchPause);
}

void MatrixSession::readSwitchState() {
    start(Operation::readState());
    m_watch.restartAwaiting();
    m_replyWatchTimer.start();
}

void MatrixSession::readIdentity(OperationDone done) {
    start(Operation::identity(), std::move(done));
}

void MatrixSession::saveScene(std::uint8_t scene) {
    start(Operation::saveScene(scene));
}

void MatrixSession::loadScene(std::uint8_t scene) {
    start(Operation::loadScene(scene));
    restartReplyWatch();
}

void MatrixSession::startCycling() {
    m_cycling = true;
    start(Operation::cycling(true));
}

void MatrixSession::stopCycling() {
    m_cycling = false;
    // The device stops on some scene: read back where it stopped.
    restartReplyWatch();
    start(Operation::cycling(false));
}

void MatrixSession::sendOutputVideoProperty(std::uint8_t property, std::uint8_t value,
                                            std::uint8_t channel) {
    start(Operation::outputProperty(property, value, channel));
}

void MatrixSession::sendInputProperty(std::uint8_t property, std::uint8_t value,
                                      std::uint8_t channel) {
    start(Operation::inputProperty(property, value, channel));
}

void MatrixSession::restartReplyWatch() {
    m_watch.restart();
    m_replyWatchTimer.start();
}

void MatrixSession::onReplyWatchTick() {
    switch (m_watch.tick()) {
    case ReplyWatch::TickResult::ReadDue:
        // Over whichever link is in use, so that a controller on the network alone also sees a
        // loaded scene or where cycling stopped.
        if (linkInUse())
            start(Operation::readState().within(m_replyWatchTimer.intervalAsDuration() *
                                                kReplyWatchGrace));
        break;
    case ReplyWatch::TickResult::TimedOut:
        m_replyWatchTimer.stop();
        // A silent device is reported on every link: on the network alone it would otherwise go
        // unnoticed.
        m_listener.readTimedOut();
        break;
    case ReplyWatch::TickResult::Nothing:
        break;
    }
}

// Replies -----------------------------------------------------------------------------------

bool MatrixSession::event(QEvent* e) {
    if (e->type() == static_cast<QEvent::Type>(kUmSerialReceive)) {
        receiveSerialBytes();
        return true;
    }
    if (e->type() == static_cast<QEvent::Type>(kUmSerialEvent)) {
        // Of the other port events only the device's loss matters here.
        if (static_cast<SerialNotification*>(e)->wParam() & platform::serial_event::kDeviceLost)
            onDeviceLost();
        return true;
    }
    return QObject::event(e);
}

void MatrixSession::receiveSerialBytes() {
    std::vector<std::uint8_t> batch;
    std::uint8_t byte = 0;
    while (batch.size() < kMaxDrainBytes && m_serial.Read(&byte, 1) == 1)
        batch.push_back(byte);
    m_accumulator.collectSerial(batch, dispatchContext(), *this);
    tellReplyTexts();
}

void MatrixSession::onNetworkPollTick() {
    std::array<std::uint8_t, NetLink::kReceiveSize> buffer{};
    const int received = m_net.Poll(buffer);
    const std::size_t count = received > 0 ? static_cast<std::size_t>(received) : 0;
    m_accumulator.collectNetwork(std::span<const std::uint8_t>(buffer.data(), count),
                                 dispatchContext(), *this);
    tellReplyTexts();
}

DispatchContext MatrixSession::dispatchContext() const {
    DispatchContext context;
    context.protocolType = m_settings.protocolType;
    context.deviceAddress = m_deviceAddress;
    context.inputCount = portCount();
    context.outputCount = portCount();
    return context;
}

void MatrixSession::tellReplyTexts() {
    m_replyTexts.drain([this](const std::string& text) { m_listener.replyText(text); });
}

void MatrixSession::applyCrosspoints(const std::vector<Crosspoint>& pairs) {
    m_listener.crosspointsReported(pairs);
}

void MatrixSession::endAwaitedRead() {
    if (m_watch.replyArrived())
        m_replyWatchTimer.stop();
    m_listener.switchStateArrived();
}

void MatrixSession::showPromptText(const std::string& text) {
    // Told once the collection that raised it is over, never inside another one.
    m_replyTexts.post(text);
}

void MatrixSession::forwardInputProperties(const InputPropertiesReport& report) {
    m_listener.inputPropertiesReported(report);
}

void MatrixSession::frameCollected(std::span<const std::uint8_t> frame, ReplySource source) {
    m_listener.frameReceived(frame, source);
    offerToOperations(frame);
}

void MatrixSession::bytesDiscarded(std::span<const std::uint8_t> bytes, ReplySource source) {
    m_listener.bytesDiscarded(bytes, source);
}

void MatrixSession::replyAccepted(std::span<const std::uint8_t> frame, ReplySource source) {
    m_listener.replyAccepted(frame, source);
}

} // namespace controller
