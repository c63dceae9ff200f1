#pragma once

#include "controller/link/serial_port_access.h"
#include "controller/service/service_config.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace matrixd {

class ApiServer;
class EventHub;
class MqttBridge;
class RequestGate;
class SharedMatrix;

// matrixd as a whole: the shared matrices of its configuration, the request gate listening for
// clients, the HTTP server behind it and the events. Lives on the thread of a Qt event loop.
class MatrixService {
public:
    using Log = std::function<void(const std::string&)>;

    MatrixService(ServiceConfig config, controller::SerialPortAccess ports, Log log);
    ~MatrixService();
    MatrixService(const MatrixService&) = delete;
    MatrixService& operator=(const MatrixService&) = delete;

    // Listens on the configured address (with TLS when it is configured). False, with `error`
    // saying why in one line, when the address cannot be used or the certificate or key cannot
    // be read.
    bool listen(std::string& error);
    // The port listened on (the system's choice for port 0).
    std::uint16_t port() const;
    // Opens the matrices' links, and connects to the MQTT broker when one is configured.
    void start();

    const std::vector<std::unique_ptr<SharedMatrix>>& matrices() const { return m_matrices; }
    std::size_t eventClients() const;

private:
    MqttBridge* bridgeOf(const SharedMatrix& matrix) const;

    ServiceConfig m_config;
    Log m_log;
    std::unique_ptr<EventHub> m_events;
    std::vector<std::unique_ptr<SharedMatrix>> m_matrices;
    // One per matrix, in the matrices' order; they go before the matrices.
    std::vector<std::unique_ptr<MqttBridge>> m_bridges;
    // Owns the gate once bound to it; goes before the matrices it answers for.
    std::unique_ptr<ApiServer> m_server;
    RequestGate* m_gate = nullptr;
};

} // namespace matrixd
