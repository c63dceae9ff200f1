#pragma once

#include "controller/protocol/frame_decoder.h"
#include "controller/service/service_config.h"

#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace matrixd {

class MqttConnection;
class SharedMatrix;

// One matrix on an MQTT broker, on a connection of its own (whose last will says "offline" for
// it): its outputs' state and availability retained, its set topics switching it through its
// queue, and its outputs as Home Assistant entities. Everything goes out again at each
// connection; the connection comes back by itself after a loss.
class MqttBridge {
public:
    using Log = std::function<void(const std::string&)>;

    // How long the discovery configurations are listened to after connecting.
    static constexpr std::chrono::milliseconds kSweepTime{2000};

    // With `keep`, this bridge also removes the discovery configurations of its client id that
    // it finds retained and that `keep` (the object ids of every output served) does not hold:
    // those of matrices and outputs no longer served.
    MqttBridge(SharedMatrix& matrix, const MqttConfig& config, Log log,
               std::optional<std::set<std::string>> keep = std::nullopt);
    // Says "offline" before saying goodbye.
    ~MqttBridge();
    MqttBridge(const MqttBridge&) = delete;
    MqttBridge& operator=(const MqttBridge&) = delete;

    // The matrix's news, as SharedMatrix::Events tell them.
    void crosspointChanged(int output, int input);
    void linkChanged();

private:
    void connected();
    void lost(const std::string& why, std::chrono::milliseconds retryIn);
    void received(const std::string& topic, const std::string& payload, bool retained);
    void switchOutput(int output, const std::string& topic, const std::string& payload);
    void removeStaleEntity(const std::string& topic, const std::string& payload);
    void publishAvailability();
    void publishDiscovery();
    void log(const std::string& line) const;
    std::vector<std::string> portNames(controller::PortKind kind) const;

    SharedMatrix& m_matrix;
    MqttConfig m_config;
    Log m_log;
    std::optional<std::set<std::string>> m_keep;
    QTimer m_sweepEnd;
    bool m_sweeping = false;
    std::string m_lastProblem;
    // Tells the device's late answers whether this bridge is still there.
    std::shared_ptr<char> m_alive = std::make_shared<char>();
    // Last: it goes first, and nothing of it arrives afterwards.
    std::unique_ptr<MqttConnection> m_connection;
};

} // namespace matrixd
