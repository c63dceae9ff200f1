#include "controller/service/mqtt_connection.h"

#include <mosquitto.h>

#include <QMetaObject>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>

namespace matrixd {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// How long one wait of the thread's loop lasts when nothing happens (keep-alive is handled in
// it); publishing from the other thread wakes it at once.
constexpr int kLoopWaitMs = 1000;
constexpr int kFlushWaitMs = 50;

std::string describe(int rc) {
    if (rc == MOSQ_ERR_ERRNO)
        return std::strerror(errno);
    if (rc == MOSQ_ERR_EAI)
        return "the host name cannot be resolved";
    return mosquitto_strerror(rc);
}

} // namespace

// What the connection's thread and the object share. Everything but the libmosquitto handle
// (which has its own locks) is guarded by `mutex`.
struct MqttWorker {
    MqttConnection::Options options;
    mosquitto* mosq = nullptr;
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
    bool finished = false;
    // Where the thread's news go; null once the object is going.
    QObject* context = nullptr;
    MqttConnection* owner = nullptr;
    // Of the current attempt, touched by the thread only (libmosquitto calls back on it).
    bool accepted = false;
    std::string refusal;

    ~MqttWorker() {
        if (mosq)
            mosquitto_destroy(mosq);
    }

    bool isStopping() {
        std::lock_guard lock(mutex);
        return stopping;
    }

    // Runs `call` on the object's thread, unless the object is gone by then.
    void post(std::function<void(MqttConnection&)> call) {
        std::lock_guard lock(mutex);
        if (!context)
            return;
        MqttConnection* to = owner;
        QMetaObject::invokeMethod(
            context, [to, call = std::move(call)] { call(*to); }, Qt::QueuedConnection);
    }

    std::string configure() {
        mosq = mosquitto_new(options.clientId.c_str(), true, this);
        if (!mosq)
            return describe(MOSQ_ERR_ERRNO);
        mosquitto_threaded_set(mosq, true);
        // A command's answer and the state it brings are small packets that Nagle's algorithm
        // would hold back until the broker's delayed acknowledgement.
        mosquitto_int_option(mosq, MOSQ_OPT_TCP_NODELAY, 1);
        mosquitto_connect_callback_set(mosq, [](mosquitto*, void* self, int rc) {
            static_cast<MqttWorker*>(self)->onConnect(rc);
        });
        mosquitto_message_callback_set(mosq,
                                       [](mosquitto*, void* self, const mosquitto_message* m) {
                                           static_cast<MqttWorker*>(self)->onMessage(*m);
                                       });
        int rc = MOSQ_ERR_SUCCESS;
        if (!options.user.empty())
            rc = mosquitto_username_pw_set(mosq, options.user.c_str(),
                                           options.password.empty() ? nullptr
                                                                    : options.password.c_str());
        if (rc == MOSQ_ERR_SUCCESS && !options.willTopic.empty())
            rc = mosquitto_will_set(mosq, options.willTopic.c_str(),
                                    static_cast<int>(options.willPayload.size()),
                                    options.willPayload.data(), 1, true);
        if (rc == MOSQ_ERR_SUCCESS && !options.caFile.empty()) {
            rc =
                mosquitto_tls_set(mosq, options.caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
            if (rc != MOSQ_ERR_SUCCESS)
                return "cannot use the CA file " + options.caFile + ": " + describe(rc);
        }
        return rc == MOSQ_ERR_SUCCESS ? std::string() : describe(rc);
    }

    void onConnect(int rc) {
        if (rc != 0) {
            refusal = std::string("refused: ") + mosquitto_connack_string(rc);
            return;
        }
        accepted = true;
        post([](MqttConnection& c) {
            c.m_connected = true;
            if (c.m_events.connected)
                c.m_events.connected();
        });
    }

    void onMessage(const mosquitto_message& m) {
        std::string topic = m.topic ? m.topic : "";
        std::string payload(static_cast<const char*>(m.payload),
                            m.payload ? static_cast<std::size_t>(m.payloadlen) : 0);
        post([topic = std::move(topic), payload = std::move(payload),
              retained = m.retain](MqttConnection& c) {
            if (c.m_events.message)
                c.m_events.message(topic, payload, retained);
        });
    }

    // One attempt and, when it succeeds, the connection until it ends; why it ended.
    std::string connectOnce() {
        accepted = false;
        refusal.clear();
        int rc = mosquitto_connect(mosq, options.host.c_str(), options.port,
                                   MqttConnection::kKeepAliveSeconds);
        if (rc != MOSQ_ERR_SUCCESS)
            return describe(rc);
        // Once stopping, what was published and the goodbye go out within a short while.
        std::optional<Clock::time_point> stopBy;
        while (rc == MOSQ_ERR_SUCCESS) {
            if (isStopping()) {
                if (!stopBy)
                    stopBy = Clock::now() + MqttConnection::kStopWait / 2;
                else if (Clock::now() >= *stopBy)
                    break;
            }
            rc = mosquitto_loop(mosq, stopBy ? kFlushWaitMs : kLoopWaitMs, 1);
        }
        if (rc == MOSQ_ERR_SUCCESS) {
            mosquitto_disconnect(mosq);
            mosquitto_loop(mosq, kFlushWaitMs, 1);
        }
        if (!refusal.empty())
            return refusal;
        return accepted ? "connection lost (" + describe(rc) + ")" : describe(rc);
    }

    // `problem`: why configure() failed, or "".
    void run(const std::string& problem) {
        int failures = 0;
        while (!isStopping()) {
            std::string why = problem;
            if (problem.empty()) {
                why = connectOnce();
                if (accepted)
                    failures = 0;
            }
            if (isStopping())
                break;
            const auto delay = MqttConnection::retryDelay(++failures);
            post([why, delay](MqttConnection& c) {
                c.m_connected = false;
                if (c.m_events.lost)
                    c.m_events.lost(why, delay);
            });
            std::unique_lock lock(mutex);
            wake.wait_for(lock, delay, [this] { return stopping; });
        }
        std::lock_guard lock(mutex);
        finished = true;
        wake.notify_all();
    }
};

std::chrono::milliseconds MqttConnection::retryDelay(int failures) {
    auto delay = kFirstRetry;
    for (int i = 1; i < failures && delay < kLongestRetry; ++i)
        delay *= 2;
    return std::min(delay, kLongestRetry);
}

MqttConnection::MqttConnection(Options options, Events events)
    : m_events(std::move(events)), m_worker(std::make_shared<MqttWorker>()) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { mosquitto_lib_init(); });
    m_worker->options = std::move(options);
    m_worker->context = &m_context;
    m_worker->owner = this;
    // Here, so that the handle is there before anything else can use it.
    std::string problem = m_worker->configure();
    m_thread = std::thread([worker = m_worker, problem] { worker->run(problem); });
}

MqttConnection::~MqttConnection() {
    std::unique_lock lock(m_worker->mutex);
    m_worker->context = nullptr;
    m_worker->stopping = true;
    m_worker->wake.notify_all();
    if (m_worker->mosq)
        mosquitto_disconnect(m_worker->mosq);
    // The thread holds its own share of the worker: left alone, it ends with what it holds.
    if (m_worker->wake.wait_for(lock, kStopWait, [this] { return m_worker->finished; })) {
        lock.unlock();
        m_thread.join();
    } else {
        lock.unlock();
        m_thread.detach();
    }
}

bool MqttConnection::publish(const std::string& topic, const std::string& payload, bool retain) {
    return m_connected && mosquitto_publish(m_worker->mosq, nullptr, topic.c_str(),
                                            static_cast<int>(payload.size()), payload.data(), 0,
                                            retain) == MOSQ_ERR_SUCCESS;
}

bool MqttConnection::subscribe(const std::string& filter) {
    return m_connected &&
           mosquitto_subscribe(m_worker->mosq, nullptr, filter.c_str(), 1) == MOSQ_ERR_SUCCESS;
}

bool MqttConnection::unsubscribe(const std::string& filter) {
    return m_connected &&
           mosquitto_unsubscribe(m_worker->mosq, nullptr, filter.c_str()) == MOSQ_ERR_SUCCESS;
}

} // namespace matrixd
