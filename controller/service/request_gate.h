#pragma once

#include "controller/service/access_policy.h"
#include "controller/service/request_head.h"

#include <QSslConfiguration>
#include <QTcpServer>

#include <chrono>
#include <functional>
#include <optional>

class QTcpSocket;

namespace matrixd {

// The listening socket of matrixd, in front of the HTTP server. Each connection is encrypted
// first when TLS is configured; then the gate reads its request head, without taking it, and
// decides before any body is read: a head that is not HTTP, too large or too slow, a body
// announced larger than the limit or without a length is answered and closed here; a WebSocket
// upgrade to /api/v1/events that the access policy lets in goes to `webSocket`; every other
// request goes on to the HTTP server bound to this gate, which answers it and closes the
// connection.
class RequestGate : public QTcpServer {
public:
    static constexpr std::chrono::milliseconds kHeadTime{10000};
    static constexpr int kMaxWaiting = 256;

    using WebSocketHandler = std::function<void(QTcpSocket*)>;
    // Whether another WebSocket client can be taken now.
    using WebSocketRoom = std::function<bool()>;

    RequestGate(AccessPolicy policy, std::optional<QSslConfiguration> tls,
                WebSocketHandler webSocket, WebSocketRoom room, QObject* parent = nullptr);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void examine(QTcpSocket* socket);
    void passOn(QTcpSocket* socket);
    void refuse(QTcpSocket* socket, int status, const std::string& error);

    AccessPolicy m_policy;
    std::optional<QSslConfiguration> m_tls;
    WebSocketHandler m_webSocket;
    WebSocketRoom m_room;
    int m_waiting = 0;
};

// The status line's words for the statuses matrixd answers with ("Payload Too Large").
const char* reasonPhrase(int status);

} // namespace matrixd
