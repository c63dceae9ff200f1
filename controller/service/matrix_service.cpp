#include "controller/service/matrix_service.h"

#include "controller/service/api_server.h"
#include "controller/service/event_hub.h"
#include "controller/service/json_text.h"
#include "controller/service/mqtt_bridge.h"
#include "controller/service/mqtt_topics.h"
#include "controller/service/request_gate.h"
#include "controller/service/shared_matrix.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>

#include <set>

namespace matrixd {

namespace {

std::optional<QSslConfiguration> tlsConfiguration(const ServerConfig& server, std::string& error) {
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    const QList<QSslCertificate> chain =
        QSslCertificate::fromPath(QString::fromStdString(server.certificate), QSsl::Pem);
    if (chain.isEmpty()) {
        error = "cannot read the certificate " + server.certificate + " (PEM)";
        return std::nullopt;
    }
    QFile keyFile(QString::fromStdString(server.key));
    if (!keyFile.open(QIODevice::ReadOnly)) {
        error = "cannot read the key " + server.key + ": " + keyFile.errorString().toStdString();
        return std::nullopt;
    }
    const QByteArray pem = keyFile.readAll();
    QSslKey key;
    for (const QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa})
        if (key = QSslKey(pem, algorithm, QSsl::Pem); !key.isNull())
            break;
    if (key.isNull()) {
        error = "cannot read the key " + server.key + " (an unencrypted PEM key)";
        return std::nullopt;
    }
    tls.setLocalCertificate(chain.front());
    if (chain.size() > 1)
        tls.setLocalCertificateChain(chain);
    tls.setPrivateKey(key);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    return tls;
}

} // namespace

MatrixService::MatrixService(ServiceConfig config, controller::SerialPortAccess ports, Log log)
    : m_config(std::move(config)), m_log(std::move(log)), m_events(std::make_unique<EventHub>()) {
    SharedMatrix::Events events;
    events.crosspoint = [this](const SharedMatrix& m, int output, int input) {
        m_events->broadcast(JsonObject()
                                .add("event", "crosspoint")
                                .add("matrix", m.name())
                                .add("output", output)
                                .add("input", input)
                                .text());
        if (MqttBridge* bridge = bridgeOf(m))
            bridge->crosspointChanged(output, input);
    };
    events.link = [this](const SharedMatrix& m, bool up) {
        m_events->broadcast(JsonObject()
                                .add("event", "link")
                                .add("matrix", m.name())
                                .add("state", up ? "up" : "down")
                                .text());
        if (MqttBridge* bridge = bridgeOf(m))
            bridge->linkChanged();
    };
    events.log = m_log;
    for (const MatrixConfig& matrix : m_config.matrices)
        m_matrices.push_back(std::make_unique<SharedMatrix>(matrix, ports, events));
}

MatrixService::~MatrixService() {
    // No request may come in while the matrices go.
    m_server.reset();
    m_bridges.clear();
}

MqttBridge* MatrixService::bridgeOf(const SharedMatrix& matrix) const {
    for (std::size_t i = 0; i < m_bridges.size(); ++i)
        if (m_matrices[i].get() == &matrix)
            return m_bridges[i].get();
    return nullptr;
}

bool MatrixService::listen(std::string& error) {
    std::optional<QSslConfiguration> tls;
    if (!m_config.server.certificate.empty()) {
        tls = tlsConfiguration(m_config.server, error);
        if (!tls)
            return false;
    }
    AccessPolicy policy{m_config.server.token, isLoopback(m_config.server.listen)};
    m_server = std::make_unique<ApiServer>(m_matrices, policy);
    m_gate = new RequestGate(
        policy, tls, [this](QTcpSocket* socket) { m_events->handleConnection(socket); },
        [this] { return !m_events->full(); });
    const ListenAddress& at = m_config.server.listen;
    const QHostAddress address = at.host == "localhost"
                                     ? QHostAddress(QHostAddress::LocalHost)
                                     : QHostAddress(QString::fromStdString(at.host));
    if (!m_gate->listen(address, at.port)) {
        error = "cannot listen on " + listenText(at) + ": " + m_gate->errorString().toStdString();
        delete m_gate;
        m_gate = nullptr;
        return false;
    }
    // The server takes the gate as its child.
    m_server->bind(m_gate);
    return true;
}

std::uint16_t MatrixService::port() const {
    return m_gate ? m_gate->serverPort() : 0;
}

void MatrixService::start() {
    if (m_config.mqtt) {
        std::set<std::string> served;
        for (const auto& m : m_matrices)
            for (int n = 1; n <= m->ports(); ++n)
                served.insert(mqtt::objectId(m_config.mqtt->clientId, m->name(), n));
        for (const auto& m : m_matrices)
            m_bridges.push_back(std::make_unique<MqttBridge>(
                *m, *m_config.mqtt, m_log,
                // The first bridge looks after the entities of matrices no longer served.
                m_bridges.empty() ? std::optional(served) : std::nullopt));
    }
    for (const auto& m : m_matrices)
        m->start();
}

std::size_t MatrixService::eventClients() const {
    return m_events->clients();
}

} // namespace matrixd
