#include "controller/service/mqtt_bridge.h"

#include "controller/service/mqtt_connection.h"
#include "controller/service/mqtt_topics.h"
#include "controller/service/shared_matrix.h"

namespace matrixd {

namespace {

using controller::Operation;
using controller::OperationResult;
using controller::Outcome;
using controller::PortKind;

std::string outcomeText(const OperationResult& result) {
    switch (result.outcome) {
    case Outcome::NotSent:
        return "not sent: the link to the device is down";
    case Outcome::AnsweredOtherwise:
        return result.shownInput
                   ? "the output shows input " + std::to_string(*result.shownInput + 1)
                   : "the output shows no input";
    case Outcome::OtherAddress:
        return "another device answered";
    default:
        return "no answer from the device";
    }
}

} // namespace

MqttBridge::MqttBridge(SharedMatrix& matrix, const MqttConfig& config, Log log,
                       std::optional<std::set<std::string>> keep)
    : m_matrix(matrix), m_config(config), m_log(std::move(log)), m_keep(std::move(keep)) {
    m_sweepEnd.setSingleShot(true);
    m_sweepEnd.setInterval(kSweepTime);
    QObject::connect(&m_sweepEnd, &QTimer::timeout, [this] {
        m_sweeping = false;
        m_connection->unsubscribe(mqtt::discoveryFilter(m_config.discovery));
    });

    MqttConnection::Options options;
    options.host = m_config.host;
    options.port = m_config.port;
    options.user = m_config.user;
    options.password = m_config.password;
    options.caFile = m_config.caFile;
    // One connection per matrix, each with its matrix's last will.
    options.clientId = m_config.clientId + "-" + m_matrix.name();
    options.willTopic = mqtt::availabilityTopic(m_config.baseTopic, m_matrix.name());
    options.willPayload = mqtt::kOffline;
    MqttConnection::Events events;
    events.connected = [this] { connected(); };
    events.lost = [this](const std::string& why, std::chrono::milliseconds retryIn) {
        lost(why, retryIn);
    };
    events.message = [this](const std::string& topic, const std::string& payload, bool retained) {
        received(topic, payload, retained);
    };
    m_connection = std::make_unique<MqttConnection>(std::move(options), std::move(events));
}

MqttBridge::~MqttBridge() {
    m_connection->publish(mqtt::availabilityTopic(m_config.baseTopic, m_matrix.name()),
                          mqtt::kOffline, true);
    m_connection.reset();
}

void MqttBridge::log(const std::string& line) const {
    if (m_log)
        m_log("matrix " + m_matrix.name() + ": MQTT " + line);
}

void MqttBridge::connected() {
    log("connected to " + m_config.host + ":" + std::to_string(m_config.port) + " as " +
        m_config.clientId + "-" + m_matrix.name());
    m_lastProblem.clear();
    const std::string& base = m_config.baseTopic;
    const std::string& name = m_matrix.name();
    m_connection->subscribe(mqtt::setFilter(base, name));
    publishAvailability();
    m_connection->publish(mqtt::namesTopic(base, name),
                          mqtt::namesJson(portNames(PortKind::Input), portNames(PortKind::Output)),
                          true);
    if (!m_config.discovery.empty())
        publishDiscovery();
    for (const controller::NumberedCrosspoint& c : m_matrix.crosspoints())
        crosspointChanged(c.output, c.input);
    if (m_keep && !m_config.discovery.empty()) {
        m_sweeping = true;
        m_connection->subscribe(mqtt::discoveryFilter(m_config.discovery));
        m_sweepEnd.start();
    }
}

void MqttBridge::lost(const std::string& why, std::chrono::milliseconds retryIn) {
    m_sweeping = false;
    m_sweepEnd.stop();
    // A broker that stays away is said once, not at every attempt.
    if (why == m_lastProblem)
        return;
    m_lastProblem = why;
    log(m_config.host + ":" + std::to_string(m_config.port) + ": " + why + "; trying again in " +
        std::to_string(retryIn.count()) + " ms");
}

void MqttBridge::received(const std::string& topic, const std::string& payload, bool retained) {
    if (const auto output =
            mqtt::setTopicOutput(topic, m_config.baseTopic, m_matrix.name(), m_matrix.ports())) {
        // A command kept by the broker would switch again at every connection.
        if (retained)
            log("ignored the retained command \"" + mqtt::payloadForLog(payload) + "\" on " +
                topic + " (publish commands without retain)");
        else
            switchOutput(*output, topic, payload);
        return;
    }
    if (m_sweeping)
        removeStaleEntity(topic, payload);
}

void MqttBridge::switchOutput(int output, const std::string& topic, const std::string& payload) {
    const auto input = mqtt::inputOfPayload(payload, m_matrix.ports());
    if (!input) {
        log("ignored \"" + mqtt::payloadForLog(payload) + "\" on " + topic +
            ": wants an input from 1 to " + std::to_string(m_matrix.ports()));
        return;
    }
    const bool queued =
        m_matrix.submit(Operation::switchInput(output - 1, *input - 1).verified(),
                        [this, alive = std::weak_ptr<char>(m_alive), output,
                         input = *input](const OperationResult& result) {
                            if (!alive.expired() && result.outcome != Outcome::Confirmed)
                                log("switch of output " + std::to_string(output) + " to input " +
                                    std::to_string(input) + ": " + outcomeText(result));
                        });
    if (!queued)
        log("ignored the switch of output " + std::to_string(output) + ": the queue is full");
}

void MqttBridge::removeStaleEntity(const std::string& topic, const std::string& payload) {
    const auto id = mqtt::objectIdOfTopic(topic, m_config.discovery);
    if (!id || payload.empty() || !mqtt::ownObjectId(*id, m_config.clientId) || m_keep->count(*id))
        return;
    if (m_connection->publish(topic, "", true))
        log("removed the Home Assistant entity " + *id + " (no longer served)");
}

void MqttBridge::crosspointChanged(int output, int input) {
    m_connection->publish(mqtt::outputTopic(m_config.baseTopic, m_matrix.name(), output),
                          std::to_string(input), true);
}

void MqttBridge::linkChanged() {
    publishAvailability();
}

void MqttBridge::publishAvailability() {
    m_connection->publish(mqtt::availabilityTopic(m_config.baseTopic, m_matrix.name()),
                          m_matrix.linkUp() ? mqtt::kOnline : mqtt::kOffline, true);
}

std::vector<std::string> MqttBridge::portNames(controller::PortKind kind) const {
    std::vector<std::string> names;
    for (int n = 1; n <= m_matrix.ports(); ++n)
        names.push_back(m_matrix.portName(kind, n));
    return names;
}

void MqttBridge::publishDiscovery() {
    mqtt::OutputEntity entity;
    entity.base = m_config.baseTopic;
    entity.clientId = m_config.clientId;
    entity.matrix = m_matrix.name();
    entity.model = m_matrix.typeName();
    entity.captions = mqtt::portCaptions(portNames(PortKind::Input), "IN");
    const std::vector<std::string> captions =
        mqtt::portCaptions(portNames(PortKind::Output), "OUT");
    for (int n = 1; n <= m_matrix.ports(); ++n) {
        entity.output = n;
        entity.caption = captions[static_cast<std::size_t>(n - 1)];
        m_connection->publish(
            mqtt::discoveryTopic(m_config.discovery,
                                 mqtt::objectId(m_config.clientId, m_matrix.name(), n)),
            mqtt::discoveryConfig(entity), true);
    }
}

} // namespace matrixd
