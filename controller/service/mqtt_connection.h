#pragma once

#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace matrixd {

struct MqttWorker;

// One client connection to an MQTT broker on libmosquitto. A thread of its own connects, keeps
// the connection and connects again after a loss, waiting retryDelay() between attempts, so that
// a broker that is slow or gone never holds up the thread of the Qt event loop. What the thread
// learns reaches Events on the thread that made the object, through its event loop; nothing
// arrives once the object is gone.
class MqttConnection {
public:
    struct Options {
        std::string host;
        std::uint16_t port = 1883;
        std::string user; // with password, when given
        std::string password;
        std::string caFile; // TLS, the broker's certificate checked against it, when given
        std::string clientId;
        // Retained with QoS 1 by the broker when the connection ends without a goodbye.
        std::string willTopic;
        std::string willPayload;
    };
    struct Events {
        // The broker accepted the connection: subscriptions and retained state go out again.
        std::function<void()> connected;
        // An attempt failed or the connection ended; another attempt follows after `retryIn`.
        std::function<void(const std::string& why, std::chrono::milliseconds retryIn)> lost;
        std::function<void(const std::string& topic, const std::string& payload, bool retained)>
            message;
    };

    static constexpr int kKeepAliveSeconds = 30;
    static constexpr std::chrono::milliseconds kFirstRetry{500};
    static constexpr std::chrono::milliseconds kLongestRetry{30000};
    // How long the destructor waits for the thread to say goodbye to the broker.
    static constexpr std::chrono::milliseconds kStopWait{2000};

    // The wait before attempt `failures` + 1 after `failures` failed ones in a row (from 1):
    // kFirstRetry, doubled each time, at most kLongestRetry.
    static std::chrono::milliseconds retryDelay(int failures);

    // Starts the thread, which connects at once. An option libmosquitto refuses (a CA file it
    // cannot use) is told through `lost` too, and tried again like a broker that is down.
    MqttConnection(Options options, Events events);
    // Says goodbye to the broker (no last will) once what was published has gone out, waiting
    // at most kStopWait; a thread still caught in a connection attempt is left to end by itself
    // with what it holds.
    ~MqttConnection();
    MqttConnection(const MqttConnection&) = delete;
    MqttConnection& operator=(const MqttConnection&) = delete;

    // Whether `connected` was heard last rather than `lost`.
    bool isConnected() const { return m_connected; }
    // QoS 0: a message lost with its connection is published again on the next one, and the
    // broker's acknowledgement of QoS 1 would hold back its next packet to us by Nagle's
    // algorithm until our delayed acknowledgement (some 40 ms). False when not connected or
    // refused by libmosquitto.
    bool publish(const std::string& topic, const std::string& payload, bool retain);
    bool subscribe(const std::string& filter);
    bool unsubscribe(const std::string& filter);

private:
    friend struct MqttWorker;

    Events m_events;
    bool m_connected = false;
    // Receives the thread's calls; goes with this object, and the queued calls with it.
    QObject m_context;
    // Shared with the thread, which may outlive this object by a little (see the destructor).
    std::shared_ptr<MqttWorker> m_worker;
    std::thread m_thread;
};

} // namespace matrixd
