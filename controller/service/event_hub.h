#pragma once

#include <QObject>
#include <QWebSocketServer>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class QTcpSocket;
class QWebSocket;

namespace matrixd {

// The WebSocket clients of /api/v1/events, and the events sent to every one of them. A client
// is let in by the request gate, which has checked its path and token; what it sends is not
// read. A client that does not take its events (more than kMaxBacklog bytes wait for it) is
// closed rather than kept at the cost of memory.
class EventHub : public QObject {
public:
    static constexpr qint64 kMaxBacklog = 1024 * 1024;
    static constexpr std::size_t kMaxClients = 1000;

    EventHub();
    ~EventHub() override;

    // Completes the WebSocket handshake on `socket`, whose request the gate has read but not
    // taken (it takes the socket).
    void handleConnection(QTcpSocket* socket);
    // One text message to every client.
    void broadcast(const std::string& json);
    std::size_t clients() const { return m_clients.size(); }
    bool full() const { return m_clients.size() >= kMaxClients; }

private:
    void takeNewClients();
    void drop(QWebSocket* client);

    QWebSocketServer m_server;
    std::vector<QWebSocket*> m_clients;
};

} // namespace matrixd
