#pragma once

#include <QNetworkAccessManager>

#include <chrono>
#include <string>

namespace matrixctl {

// What matrixd answered: its status and body, or (status 0) why no answer came.
struct ServerReply {
    int status = 0;
    std::string body;
    std::string error;
};

// Requests to matrixd's API, each awaited in a local event loop (the caller's Qt events go on
// meanwhile). Never through a proxy: matrixd is on the installation's own network.
class ServerClient {
public:
    ServerClient(std::string baseUrl, std::string token);

    ServerReply request(const char* method, const std::string& path, const std::string& body,
                        std::chrono::milliseconds limit);

    const std::string& baseUrl() const { return m_baseUrl; }
    const std::string& token() const { return m_token; }

private:
    std::string m_baseUrl;
    std::string m_token;
    QNetworkAccessManager m_manager;
};

// The events' WebSocket URL of a base URL: http → ws, https → wss, path /api/v1/events.
std::string eventsUrl(const std::string& baseUrl);

} // namespace matrixctl
