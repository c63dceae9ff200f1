#include "controller/service/api_server.h"

#include "controller/service/api_answers.h"
#include "controller/service/json_text.h"
#include "controller/service/panel_files.h"
#include "controller/service/request_gate.h"
#include "controller/service/shared_matrix.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QPointer>
#include <QTcpSocket>

namespace matrixd {

// One request's answer, written now or once the device has answered, unless the client has
// gone meanwhile. The connection closes once it is written.
class Answer {
public:
    Answer(QHttpServerResponder responder, QTcpSocket* socket)
        : m_responder(std::move(responder)), m_socket(socket) {}

    void send(int status, const std::string& body,
              const std::vector<std::pair<QByteArray, QByteArray>>& extra = {},
              const QByteArray& mimeType = "application/json") {
        if (m_sent || !m_socket)
            return;
        m_sent = true;
        m_responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(status));
        m_responder.writeHeader("Content-Type", mimeType);
        m_responder.writeHeader("Content-Length", QByteArray::number(qsizetype(body.size())));
        m_responder.writeHeader("Connection", "close");
        m_responder.writeHeader("X-Content-Type-Options", "nosniff");
        for (const auto& [key, value] : extra)
            m_responder.writeHeader(key, value);
        m_responder.writeBody(body.data(), static_cast<qint64>(body.size()));
        m_socket->disconnectFromHost();
    }
    void send(const ApiResponse& response) {
        std::vector<std::pair<QByteArray, QByteArray>> extra{{"Cache-Control", "no-store"}};
        if (response.status == 503)
            extra.emplace_back("Retry-After", "1");
        send(response.status, response.body, extra);
    }

private:
    QHttpServerResponder m_responder;
    QPointer<QTcpSocket> m_socket;
    bool m_sent = false;
};

namespace {

using controller::Operation;
using controller::OperationResult;

const char* methodName(QHttpServerRequest::Method method) {
    switch (method) {
    case QHttpServerRequest::Method::Get:
        return "GET";
    case QHttpServerRequest::Method::Put:
        return "PUT";
    case QHttpServerRequest::Method::Delete:
        return "DELETE";
    case QHttpServerRequest::Method::Post:
        return "POST";
    case QHttpServerRequest::Method::Head:
        return "HEAD";
    case QHttpServerRequest::Method::Options:
        return "OPTIONS";
    case QHttpServerRequest::Method::Patch:
        return "PATCH";
    default:
        return "OTHER";
    }
}

std::string summaryFields(const SharedMatrix& m, JsonObject& json) {
    json.add("name", m.name())
        .add("size", m.ports())
        .add("type", m.typeName())
        .add("address", m.address())
        .add("link", m.linkText())
        .add("state", m.linkUp() ? "up" : "down");
    return json.text();
}

std::string portsJson(const SharedMatrix& m, controller::PortKind kind) {
    std::vector<std::string> ports;
    for (int n = 1; n <= m.ports(); ++n)
        ports.push_back(JsonObject().add("number", n).add("name", m.portName(kind, n)).text());
    return jsonArray(ports);
}

std::string detailJson(const SharedMatrix& m) {
    JsonObject json;
    summaryFields(m, json);
    std::vector<std::string> crosspoints;
    for (const controller::NumberedCrosspoint& c : m.crosspoints())
        crosspoints.push_back(JsonObject().add("output", c.output).add("input", c.input).text());
    json.addRaw("inputs", portsJson(m, controller::PortKind::Input))
        .addRaw("outputs", portsJson(m, controller::PortKind::Output))
        .addRaw("crosspoints", jsonArray(crosspoints));
    return json.text();
}

MatrixFacts factsOf(const SharedMatrix& m) {
    return {m.ports(), m.address(), m.timeout()};
}

} // namespace

ApiServer::ApiServer(const std::vector<std::unique_ptr<SharedMatrix>>& matrices,
                     AccessPolicy policy)
    : m_matrices(matrices), m_policy(std::move(policy)) {}

SharedMatrix* ApiServer::find(const std::string& name) const {
    for (const auto& m : m_matrices)
        if (m->name() == name)
            return m.get();
    return nullptr;
}

bool ApiServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    // One request per connection: whatever a client sent behind the first is not answered.
    if (socket->property("matrixd.answered").toBool())
        return true;
    socket->setProperty("matrixd.answered", true);
    const auto answer = std::make_shared<Answer>(makeResponder(request, socket), socket);
    const std::string method = methodName(request.method());
    const std::string path = request.url().path(QUrl::FullyEncoded).toStdString();

    if (path.rfind("/api/", 0) != 0) {
        servePanel(method, path, answer);
        return true;
    }
    const QList<QPair<QByteArray, QByteArray>> headers = request.headers();
    const FieldLookup field = [&headers](std::string_view name) -> std::optional<std::string> {
        for (const auto& [key, value] : headers)
            if (key.toLower().toStdString() == name)
                return value.toStdString();
        return std::nullopt;
    };
    if (const auto refusal = checkAccess(m_policy, field, std::nullopt)) {
        std::vector<std::pair<QByteArray, QByteArray>> extra{{"Cache-Control", "no-store"}};
        if (refusal->status == 401)
            extra.emplace_back("WWW-Authenticate", "Bearer realm=\"matrixd\"");
        answer->send(refusal->status, errorJson(refusal->error), extra);
        return true;
    }
    const QByteArray body = request.body();
    if (body.size() > static_cast<qsizetype>(kMaxBodyBytes)) {
        answer->send(ApiResponse{413, errorJson("the body is larger than 64 kB")});
        return true;
    }
    const ApiParse parsed = parseApiCall(
        method, path, std::string_view(body.constData(), static_cast<std::size_t>(body.size())),
        [this](const std::string& name) -> std::optional<int> {
            if (const SharedMatrix* m = find(name))
                return m->ports();
            return std::nullopt;
        });
    if (!parsed.call) {
        std::vector<std::pair<QByteArray, QByteArray>> extra{{"Cache-Control", "no-store"}};
        if (!parsed.allow.empty())
            extra.emplace_back("Allow", QByteArray::fromStdString(parsed.allow));
        answer->send(parsed.refusal.status, errorJson(parsed.refusal.error), extra);
        return true;
    }
    run(*parsed.call, answer);
    return true;
}

void ApiServer::missingHandler(const QHttpServerRequest&, QTcpSocket* socket) {
    socket->abort();
}

void ApiServer::run(const ApiCall& call, const std::shared_ptr<Answer>& answer) {
    if (call.kind == ApiCall::Kind::Matrices) {
        std::vector<std::string> list;
        for (const auto& m : m_matrices) {
            JsonObject json;
            list.push_back(summaryFields(*m, json));
        }
        return answer->send(ApiResponse{200, jsonArray(list)});
    }
    SharedMatrix* m = find(call.matrix);
    const MatrixFacts facts = factsOf(*m);
    bool queued = true;
    switch (call.kind) {
    case ApiCall::Kind::Matrices:
    case ApiCall::Kind::Events:
        break;
    case ApiCall::Kind::Matrix:
        return answer->send(ApiResponse{200, detailJson(*m)});
    case ApiCall::Kind::Switch:
        queued = m->submit(Operation::switchInput(call.output - 1, call.input - 1).verified(),
                           [answer, call, facts](const OperationResult& result) {
                               answer->send(switchAnswer(result, call.output, call.input, facts));
                           });
        break;
    case ApiCall::Kind::Read:
        queued = m->submit(Operation::readState(), [answer, facts](const OperationResult& result) {
            answer->send(readAnswer(result, facts));
        });
        break;
    case ApiCall::Kind::SceneSave:
        queued = m->submit(Operation::saveScene(call.scene),
                           [answer, call, facts](const OperationResult& result) {
                               answer->send(sceneSaveAnswer(result, call.scene, facts));
                           });
        break;
    case ApiCall::Kind::SceneLoad:
        queued =
            m->submitSceneLoad(call.scene, [answer, call, facts](const OperationResult& load,
                                                                 const OperationResult* readBack) {
                answer->send(sceneLoadAnswer(load, readBack, call.scene, facts));
            });
        break;
    case ApiCall::Kind::Backup:
    case ApiCall::Kind::Restore: {
        const bool restoring = call.kind == ApiCall::Kind::Restore;
        std::optional<controller::CrosspointFile> file;
        if (restoring)
            file = call.restore;
        queued = m->submitBackup(file, [answer, facts,
                                        restoring](const controller::BackupJob::Result& result) {
            answer->send(restoring ? restoreAnswer(result, facts) : backupAnswer(result, facts));
        });
        break;
    }
    }
    if (!queued)
        answer->send(busyAnswer(m->name()));
}

void ApiServer::servePanel(const std::string& method, const std::string& path,
                           const std::shared_ptr<Answer>& answer) {
    const std::optional<PanelFile> file = panelFile(path);
    if (!file) {
        answer->send(404, errorJson("no such file"), {{"Cache-Control", "no-store"}});
        return;
    }
    if (method != "GET") {
        answer->send(405, errorJson(path + " takes GET only"), {{"Allow", "GET"}});
        return;
    }
    answer->send(200, file->contents.toStdString(),
                 {{"Cache-Control", "no-cache"},
                  {"Content-Security-Policy",
                   "default-src 'self'; connect-src 'self'; img-src 'self' data:; "
                   "frame-ancestors 'none'; base-uri 'none'; form-action 'none'"},
                  {"Referrer-Policy", "no-referrer"},
                  {"X-Frame-Options", "DENY"}},
                 file->mimeType);
}

} // namespace matrixd
