#include "controller/matrixctl/server_runner.h"

#include "controller/matrixctl/fd_output.h"
#include "controller/session/traffic_log.h"
#include "platform/whole_file.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkProxy>
#include <QNetworkRequest>
#include <QSocketNotifier>
#include <QTimer>
#include <QWebSocket>

#include <chrono>
#include <cstdlib>

namespace matrixctl {

namespace {

using namespace std::chrono_literals;

// How long an answer of matrixd is awaited: the queue of a busy matrix and the device's own
// time limits come first. A restore switches every output one after the other.
constexpr auto kAnswerLimit = 150s;
constexpr auto kRestoreLimit = 600s;
constexpr auto kReconnectPause = 2s;

QJsonObject objectOf(const std::string& body) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(body)).object();
}

std::string sizeText(int ports) {
    return std::to_string(ports) + " × " + std::to_string(ports);
}

} // namespace

ServerRunner::ServerRunner(const Invocation& invocation, const RunnerEnvironment& environment,
                           std::ostream& out, std::ostream& err,
                           std::optional<controller::CrosspointFile> restoreFile)
    : m_invocation(invocation), m_options(invocation.options), m_environment(environment),
      m_out(out), m_err(err), m_restoreFile(std::move(restoreFile)),
      m_client(*m_options.server, m_options.token.value_or([] {
          const char* token = std::getenv("MATRIXD_TOKEN");
          return std::string(token ? token : "");
      }())) {}

ServerRunner::~ServerRunner() = default;

int ServerRunner::fail(int status, const std::string& why) {
    m_err << "matrixctl: " << why << "\n" << std::flush;
    return status;
}

bool ServerRunner::print(const std::string& text) {
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

ServerReply ServerRunner::call(const char* method, const std::string& path,
                               const std::string& body) {
    const bool restoring = std::string(method) == "PUT" && path.ends_with("/backup");
    return m_client.request(method, path, body, restoring ? kRestoreLimit : kAnswerLimit);
}

int ServerRunner::answerFailure(const ServerReply& reply, const std::string& suffix) {
    if (reply.status == 0)
        return fail(kUsageError, reply.error);
    const QJsonObject answer = objectOf(reply.body);
    std::string why = answer.value(QStringLiteral("error")).toString().toStdString();
    if (why.empty())
        why = "matrixd answered " + std::to_string(reply.status);
    const bool notConfirmed = reply.status == 409 || reply.status == 502 || reply.status == 504;
    return fail(notConfirmed ? kNotConfirmed : kUsageError, why + suffix);
}

std::string ServerRunner::matrixPath() const {
    return "/matrices/" + m_matrix.name;
}

std::string ServerRunner::named(bool input, int number) const {
    const auto& names = input ? m_matrix.inputNames : m_matrix.outputNames;
    const std::string name =
        number >= 1 && number <= static_cast<int>(names.size()) ? names[number - 1] : "";
    return std::to_string(number) + (name.empty() ? "" : " (" + name + ")");
}

int ServerRunner::run() {
    if (int status = chooseMatrix())
        return status;
    const Request& request = m_invocation.request;
    switch (request.command) {
    case Command::Switch:
        return switchCrosspoints(request.switches);
    case Command::Read:
        return read();
    case Command::SceneSave:
    case Command::SceneLoad:
        return scene(request.command == Command::SceneSave, request.scene);
    case Command::Dump:
        return dump(request.file);
    case Command::Restore:
        return restore();
    case Command::Monitor:
        return monitor();
    default:
        return fail(kUsageError, "this command cannot go through matrixd");
    }
}

int ServerRunner::chooseMatrix() {
    std::string name = m_options.matrix.value_or("");
    if (name.empty()) {
        const ServerReply list = call("GET", "/matrices");
        if (list.status != 200)
            return answerFailure(list);
        const QJsonArray matrices =
            QJsonDocument::fromJson(QByteArray::fromStdString(list.body)).array();
        if (matrices.size() != 1) {
            std::string names;
            for (const QJsonValue& m : matrices)
                names += (names.empty() ? "" : ", ") +
                         m.toObject().value(QStringLiteral("name")).toString().toStdString();
            return fail(kUsageError, "matrixd offers " + std::to_string(matrices.size()) +
                                         " matrices (" + names + "): choose one with --matrix");
        }
        name = matrices.first().toObject().value(QStringLiteral("name")).toString().toStdString();
    }
    m_matrix.name = name;
    const ServerReply detail = call("GET", matrixPath());
    if (detail.status != 200)
        return answerFailure(detail);
    const QJsonObject matrix = objectOf(detail.body);
    m_matrix.size = matrix.value(QStringLiteral("size")).toInt();
    for (const QJsonValue& port : matrix.value(QStringLiteral("inputs")).toArray())
        m_matrix.inputNames.push_back(
            port.toObject().value(QStringLiteral("name")).toString().toStdString());
    for (const QJsonValue& port : matrix.value(QStringLiteral("outputs")).toArray())
        m_matrix.outputNames.push_back(
            port.toObject().value(QStringLiteral("name")).toString().toStdString());
    return kConfirmed;
}

int ServerRunner::switchCrosspoints(const std::vector<std::pair<int, int>>& switches) {
    for (const auto& [in, out] : switches) {
        if (in > m_matrix.size || out > m_matrix.size)
            return fail(kUsageError, std::string(in > m_matrix.size ? "input " : "output ") +
                                         std::to_string(in > m_matrix.size ? in : out) +
                                         " is out of range: 1 to " + std::to_string(m_matrix.size) +
                                         " on this " + sizeText(m_matrix.size) + " matrix");
    }
    for (const auto& [in, out] : switches) {
        const ServerReply reply = call("PUT", matrixPath() + "/outputs/" + std::to_string(out),
                                       "{\"input\": " + std::to_string(in) + "}");
        if (reply.status != 200)
            return answerFailure(reply);
    }
    return kConfirmed;
}

int ServerRunner::printCrosspoints(const std::string& json) {
    std::string error;
    const auto read = controller::parseCrosspointJson(json, error);
    if (!read)
        return fail(kUsageError, "matrixd's read-back cannot be read: " + error);
    std::string text;
    if (m_options.json) {
        text = controller::crosspointJson(*read) + "\n";
    } else {
        for (const controller::NumberedCrosspoint& c : read->crosspoints)
            text += "output " + named(false, c.output) + ": input " + named(true, c.input) + "\n";
    }
    if (!print(text))
        return kUsageError;
    if (static_cast<int>(read->crosspoints.size()) != read->size)
        return fail(kNotConfirmed, "the device reported " +
                                       std::to_string(read->crosspoints.size()) + " of " +
                                       std::to_string(read->size) + " outputs");
    return kConfirmed;
}

int ServerRunner::read() {
    const ServerReply reply = call("POST", matrixPath() + "/read");
    if (reply.status != 200)
        return answerFailure(reply);
    return printCrosspoints(reply.body);
}

int ServerRunner::scene(bool save, int number) {
    const ServerReply reply = call("POST", matrixPath() + "/scenes/" + std::to_string(number) +
                                               (save ? "/save" : "/load"));
    if (reply.status != 200)
        return answerFailure(reply);
    if (save)
        return kConfirmed;
    // {"scene": N, "size": ..., "address": ..., "crosspoints": [...]}: a read-back's JSON.
    return printCrosspoints(reply.body);
}

int ServerRunner::dump(const std::string& file) {
    const ServerReply reply = call("GET", matrixPath() + "/backup");
    const std::string target = file == "-" ? "standard output" : file;
    if (reply.status != 200)
        return answerFailure(reply, "; " + target + " is not written");
    const std::string text = reply.body + "\n";
    if (file == "-")
        return print(text) ? kConfirmed : kUsageError;
    if (!platform::writeWholeFile(file, text))
        return fail(kUsageError, "cannot write " + file + ": " + platform::lastFileError());
    return kConfirmed;
}

int ServerRunner::restore() {
    if (m_restoreFile->size != m_matrix.size)
        return fail(kUsageError, m_invocation.request.file + " holds the crosspoints of a " +
                                     sizeText(m_restoreFile->size) + " matrix; this one is " +
                                     sizeText(m_matrix.size));
    const ServerReply reply =
        call("PUT", matrixPath() + "/backup", controller::crosspointJson(*m_restoreFile));
    if (reply.status != 200)
        return answerFailure(reply);
    return kConfirmed;
}

// monitor ------------------------------------------------------------------------------------

int ServerRunner::monitor() {
    if (m_environment.stopFd >= 0) {
        m_stopNotifier =
            std::make_unique<QSocketNotifier>(m_environment.stopFd, QSocketNotifier::Read);
        QObject::connect(m_stopNotifier.get(), &QSocketNotifier::activated, &m_loop, [this] {
            m_stopped = true;
            m_loop.quit();
        });
    }
    if (m_environment.commandFd >= 0) {
        m_typedCommands = std::make_unique<TypedCommands>(
            m_environment.commandFd, m_err,
            [this](const std::vector<std::string>& words) { runTypedCommand(words); });
    }
    openEvents();
    while (!m_stopped && !m_outputFailed)
        m_loop.exec();
    if (m_events) {
        m_events->disconnect();
        m_events.reset();
    }
    return m_outputFailed ? kUsageError : kConfirmed;
}

void ServerRunner::openEvents() {
    // The one before is inside its own signal, or was: it goes later.
    if (m_events)
        m_events.release()->deleteLater();
    m_events = std::make_unique<QWebSocket>();
    m_events->setProxy(QNetworkProxy::NoProxy);
    QWebSocket* socket = m_events.get();
    QObject::connect(socket, &QWebSocket::textMessageReceived, &m_loop,
                     [this](const QString& message) { showEvent(message.toStdString()); });
    QObject::connect(socket, &QWebSocket::disconnected, &m_loop, [this, socket] {
        m_err << "matrixctl: the events of " << m_client.baseUrl() << " stopped ("
              << socket->errorString().toStdString() << "); trying again\n"
              << std::flush;
        QTimer::singleShot(kReconnectPause, &m_loop, [this] {
            if (!m_stopped)
                openEvents();
        });
    });
    QNetworkRequest request(QUrl(QString::fromStdString(eventsUrl(m_client.baseUrl()))));
    if (!m_client.token().empty())
        request.setRawHeader("Authorization",
                             QByteArray::fromStdString("Bearer " + m_client.token()));
    socket->open(request);
}

void ServerRunner::showEvent(const std::string& json) {
    const QJsonObject event = objectOf(json);
    const std::string matrix = event.value(QStringLiteral("matrix")).toString().toStdString();
    if (matrix != m_matrix.name)
        return;
    const std::string time = controller::trafficClock(std::chrono::system_clock::now());
    const std::string kind = event.value(QStringLiteral("event")).toString().toStdString();
    if (m_options.json) {
        print("{\"time\": " + controller::jsonString(time) + ", " + json.substr(1) + "\n");
        return;
    }
    std::string words;
    if (kind == "crosspoint") {
        words = "output " + named(false, event.value(QStringLiteral("output")).toInt()) +
                ": input " + named(true, event.value(QStringLiteral("input")).toInt());
    } else if (kind == "link") {
        words = "link " + event.value(QStringLiteral("state")).toString().toStdString();
    } else {
        return;
    }
    print(time + " " + matrix + " --  " + words + "\n");
}

void ServerRunner::runTypedCommand(const std::vector<std::string>& words) {
    std::string error;
    const std::optional<Request> request = parseRequest(words, error);
    if (!request) {
        m_err << "matrixctl: " << error << "\n" << std::flush;
        return;
    }
    // The changes show as events; only what did not take is said here.
    switch (request->command) {
    case Command::Switch:
        for (const auto& [in, out] : request->switches) {
            const ServerReply reply = call("PUT", matrixPath() + "/outputs/" + std::to_string(out),
                                           "{\"input\": " + std::to_string(in) + "}");
            if (reply.status != 200)
                answerFailure(reply);
        }
        return;
    case Command::Read:
    case Command::SceneSave:
    case Command::SceneLoad: {
        const std::string path =
            request->command == Command::Read
                ? "/read"
                : "/scenes/" + std::to_string(request->scene) +
                      (request->command == Command::SceneSave ? "/save" : "/load");
        const ServerReply reply = call("POST", matrixPath() + path);
        if (reply.status != 200)
            answerFailure(reply);
        return;
    }
    default:
        m_err << "matrixctl: " << words[0] << " cannot be sent from monitor through matrixd\n"
              << std::flush;
    }
}

} // namespace matrixctl
