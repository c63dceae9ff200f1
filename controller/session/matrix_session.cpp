#include "controller/session/matrix_session.h"

#include "controller/protocol/matrix_kinds.h"
#include "controller/protocol/setup_requests.h"
#include "controller/protocol/signal_code.h"
#include "controller/protocol/switch_requests.h"

#include <QThread>

namespace controller {

namespace {

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
    connect(&m_replyWatchTimer, &QTimer::timeout, this, &MatrixSession::onReplyWatchTick);
    m_serial.setEvents(this);
    m_operationTimer.setSingleShot(true);
    connect(&m_operationTimer, &QTimer::timeout, this, &MatrixSession::onOperationTimer);
}

MatrixSession::~MatrixSession() {
    m_replyWatchTimer.stop();
    m_operationTimer.stop();
    // The links go before the buffers and the listener they report to.
    m_serial.setEvents(nullptr);
    m_serial.close();
    if (m_network)
        m_network->setEvents(nullptr);
    m_network.reset();
}

// Requests ----------------------------------------------------------------------------------

void MatrixSession::send(const CommandFrame& frame) {
    sendFrame(frame.bytes(), frame.route() == LinkRoute::SerialOnly);
}

void MatrixSession::sendFrame(std::span<const std::uint8_t> frame, bool serialOnly) {
    if (m_serialOpen) {
        m_serial.write(frame);
        m_listener.frameSent(frame, m_serial.info());
    }
    // A link connecting in the background takes nothing until it is connected; its loss has
    // been told already.
    if (serialOnly || m_settings.useNet == 0 || (m_network && !m_network->ready()))
        return;
    if (m_network && m_network->write(frame)) {
        m_listener.frameSent(frame, m_network->info());
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

FrameAccumulator::LinkBuffer& MatrixSession::bufferOf(const Link& link) {
    auto it = m_buffers.find(&link);
    if (it == m_buffers.end())
        it = m_buffers.emplace(&link, FrameAccumulator::LinkBuffer(link.info())).first;
    // A link renamed (another port, another terminal) keeps its waiting bytes under its new name.
    if (!(it->second.link() == link.info()))
        it->second.setLink(link.info());
    return it->second;
}

void MatrixSession::linkBytes(Link& link, std::span<const std::uint8_t> bytes) {
    m_accumulator.collect(bufferOf(link), bytes, dispatchContext(), *this);
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

void MatrixSession::frameCollected(std::span<const std::uint8_t> frame, const LinkInfo& link) {
    m_listener.frameReceived(frame, link);
    offerToOperations(frame);
}

void MatrixSession::bytesDiscarded(std::span<const std::uint8_t> bytes, const LinkInfo& link) {
    m_listener.bytesDiscarded(bytes, link);
}

void MatrixSession::replyAccepted(std::span<const std::uint8_t> frame, const LinkInfo& link) {
    m_listener.replyAccepted(frame, link);
}

} // namespace controller
