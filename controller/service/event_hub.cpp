#include "controller/service/event_hub.h"

#include <QTcpSocket>
#include <QWebSocket>

#include <algorithm>

namespace matrixd {

EventHub::EventHub() : m_server(QStringLiteral("matrixd"), QWebSocketServer::NonSecureMode) {
    connect(&m_server, &QWebSocketServer::newConnection, this, &EventHub::takeNewClients);
}

EventHub::~EventHub() {
    for (QWebSocket* client : m_clients) {
        client->disconnect(this);
        client->abort();
        delete client;
    }
}

void EventHub::handleConnection(QTcpSocket* socket) {
    // The WebSocket server takes the socket over, together with the bytes waiting in it.
    socket->setParent(nullptr);
    m_server.handleConnection(socket);
}

void EventHub::takeNewClients() {
    while (QWebSocket* client = m_server.nextPendingConnection()) {
        client->setParent(this);
        // Clients have nothing to say; a large message is refused rather than gathered.
        client->setMaxAllowedIncomingFrameSize(4096);
        client->setMaxAllowedIncomingMessageSize(4096);
        connect(client, &QWebSocket::disconnected, this, [this, client] { drop(client); });
        m_clients.push_back(client);
    }
}

void EventHub::drop(QWebSocket* client) {
    const auto found = std::find(m_clients.begin(), m_clients.end(), client);
    if (found == m_clients.end())
        return;
    m_clients.erase(found);
    client->disconnect(this);
    client->deleteLater();
}

void EventHub::broadcast(const std::string& json) {
    const QString message = QString::fromStdString(json);
    // A copy: a client may go while it is being written to.
    const std::vector<QWebSocket*> clients = m_clients;
    for (QWebSocket* client : clients) {
        if (client->bytesToWrite() > kMaxBacklog) {
            client->abort();
            drop(client);
            continue;
        }
        client->sendTextMessage(message);
    }
}

} // namespace matrixd
