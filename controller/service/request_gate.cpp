#include "controller/service/request_gate.h"

#include "controller/service/api_call.h"
#include "controller/service/json_text.h"

#include <QMetaMethod>
#include <QPointer>
#include <QSslSocket>
#include <QTimer>

#include <charconv>

namespace matrixd {

namespace {

std::string lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Content-Length as a number; nullopt when it is no number.
std::optional<unsigned long long> contentLength(const std::string& value) {
    unsigned long long length = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), length);
    if (value.empty() || error != std::errc() || end != value.data() + value.size())
        return std::nullopt;
    return length;
}

} // namespace

const char* reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 409:
        return "Conflict";
    case 411:
        return "Length Required";
    case 413:
        return "Payload Too Large";
    case 426:
        return "Upgrade Required";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    default:
        return "Error";
    }
}

RequestGate::RequestGate(AccessPolicy policy, std::optional<QSslConfiguration> tls,
                         WebSocketHandler webSocket, WebSocketRoom room, QObject* parent)
    : QTcpServer(parent), m_policy(std::move(policy)), m_tls(std::move(tls)),
      m_webSocket(std::move(webSocket)), m_room(std::move(room)) {}

void RequestGate::incomingConnection(qintptr descriptor) {
    QTcpSocket* socket = m_tls ? new QSslSocket(this) : new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    if (m_waiting >= kMaxWaiting) {
        // Too many connections say nothing yet: this one is not taken.
        socket->abort();
        socket->deleteLater();
        return;
    }
    ++m_waiting;
    // Whichever comes first: the head is read, the time is up, the peer goes.
    auto* timer = new QTimer(socket);
    timer->setSingleShot(true);
    timer->start(kHeadTime);
    connect(timer, &QTimer::timeout, socket, [socket] { socket->abort(); });
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QObject::destroyed, this, [this] { --m_waiting; });
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { examine(socket); });
    if (m_tls) {
        auto* ssl = static_cast<QSslSocket*>(socket);
        ssl->setSslConfiguration(*m_tls);
        connect(ssl, &QSslSocket::sslErrors, ssl, [ssl] { ssl->abort(); });
        ssl->startServerEncryption();
    }
}

void RequestGate::examine(QTcpSocket* socket) {
    const QByteArray received = socket->peek(static_cast<qint64>(kMaxHeadBytes));
    const HeadParse parsed =
        parseRequestHead(std::string_view(received.constData(), received.size()));
    switch (parsed.status) {
    case HeadParse::Status::Incomplete:
        return;
    case HeadParse::Status::TooLarge:
        return refuse(socket, 431, "the request head is larger than 16 kB");
    case HeadParse::Status::Malformed:
        return refuse(socket, 400, "not an HTTP/1.1 request");
    case HeadParse::Status::Complete:
        break;
    }
    const RequestHead& head = parsed.head;
    const auto field = [&head](std::string_view name) { return head.field(name); };

    const auto upgrade = head.field("upgrade");
    if (upgrade && lower(*upgrade) == "websocket") {
        if (head.path != "/api/v1/events")
            return refuse(socket, 404, "WebSockets are served on /api/v1/events only");
        if (const auto refusal = checkAccess(m_policy, field, queryValue(head.query, "token")))
            return refuse(socket, refusal->status, refusal->error);
        if (m_room && !m_room())
            return refuse(socket, 503, "too many clients of the events");
        socket->disconnect(this);
        --m_waiting;
        disconnect(socket, &QObject::destroyed, this, nullptr);
        if (auto* timer = socket->findChild<QTimer*>())
            delete timer;
        socket->disconnect(socket);
        m_webSocket(socket);
        return;
    }
    if (const auto encoding = head.field("transfer-encoding");
        encoding && lower(*encoding) != "identity")
        return refuse(socket, 411, "a request body needs a Content-Length");
    if (const auto length = head.field("content-length")) {
        const auto bytes = contentLength(*length);
        if (!bytes)
            return refuse(socket, 400, "Content-Length is no number");
        if (*bytes > kMaxBodyBytes)
            return refuse(socket, 413, "the body is larger than 64 kB");
    }
    passOn(socket);
}

void RequestGate::passOn(QTcpSocket* socket) {
    // From here on the HTTP server reads the socket; the gate only counts it as gone.
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    if (auto* timer = socket->findChild<QTimer*>())
        delete timer;
    --m_waiting;
    disconnect(socket, &QObject::destroyed, this, nullptr);
    addPendingConnection(socket);
    QMetaMethod::fromSignal(&QTcpServer::pendingConnectionAvailable)
        .invoke(this, Qt::DirectConnection);
    // The head is still in the socket, and no new bytes may come to say so.
    QPointer<QTcpSocket> alive(socket);
    QTimer::singleShot(0, socket, [alive] {
        if (alive && alive->bytesAvailable() > 0)
            emit alive->readyRead();
    });
}

void RequestGate::refuse(QTcpSocket* socket, int status, const std::string& error) {
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    const std::string body = errorJson(error);
    std::string response =
        "HTTP/1.1 " + std::to_string(status) + " " + reasonPhrase(status) +
        "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
        "\r\nCache-Control: no-store\r\nConnection: close\r\n";
    if (status == 401)
        response += "WWW-Authenticate: Bearer realm=\"matrixd\"\r\n";
    response += "\r\n" + body;
    socket->write(response.data(), static_cast<qint64>(response.size()));
    socket->disconnectFromHost();
}

} // namespace matrixd
