// matrixd's MQTT bridge, measured as a control system sees it: from a payload published on
// BASE/NAME/output/N/set to the switch frame on the matrix's line, median and 99th percentile
// beside 5 ms. The line is matrix-sim's TCP port, reached through a small relay here that notes
// when matrixd's bytes arrive; the broker is Debian's mosquitto on a free loopback port.
//
//   build/bin/matrixd-mqtt-bench [switches, default 200]
//
// Only 127.0.0.1 is used. Exits with 1 when the figure could not be taken: the broker, matrix-sim
// or matrixd did not start, or a switch never reached the line or never came back as state.
#include "bench/sim_process.h"
#include "tests/support/mqtt_broker.h"

#include <mosquitto.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kPorts = 16;

double quantile(std::vector<double> values, double at) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(at * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

// What the relay and the MQTT client heard, for the main thread to wait on.
struct Heard {
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<Clock::time_point> lineBytes; // first bytes from matrixd since the last reset
    std::string state;                          // "TOPIC PAYLOAD" of the last state message

    template <class Done>
    bool waitFor(Done done, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, timeout, done);
    }
};

int listenLoopback(std::uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 1) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return -1;
    port = ntohs(address.sin_port);
    return fd;
}

int connectLoopback(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ? fd : -1;
}

// Relays matrixd's connections to matrix-sim both ways, one at a time, noting when matrixd's
// bytes arrive.
void relay(int listening, std::uint16_t simPort, Heard& heard, const std::atomic<bool>& stop) {
    while (!stop) {
        pollfd accepting{listening, POLLIN, 0};
        if (::poll(&accepting, 1, 100) <= 0)
            continue;
        const int controller = ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
        const int device = connectLoopback(simPort);
        pollfd fds[2] = {{controller, POLLIN, 0}, {device, POLLIN, 0}};
        char buffer[4096];
        for (bool open = device >= 0; open && !stop;) {
            if (::poll(fds, 2, 100) <= 0)
                continue;
            const auto now = Clock::now();
            for (int i = 0; i < 2 && open; ++i) {
                if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                const ssize_t got = ::recv(fds[i].fd, buffer, sizeof buffer, 0);
                open = got > 0;
                if (open && i == 0) {
                    std::lock_guard lock(heard.mutex);
                    if (!heard.lineBytes)
                        heard.lineBytes = now;
                    heard.changed.notify_all();
                }
                if (open)
                    ::send(fds[1 - i].fd, buffer, static_cast<std::size_t>(got), MSG_NOSIGNAL);
            }
        }
        ::close(controller);
        ::close(device);
    }
}

} // namespace

int main(int argc, char** argv) {
    const int switches = argc > 1 ? std::atoi(argv[1]) : 200;
    if (switches < 1) {
        std::fprintf(stderr, "usage: matrixd-mqtt-bench [switches]\n");
        return 2;
    }
    const std::string dir = std::filesystem::temp_directory_path() /
                            ("matrixd-mqtt-bench." + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    struct Cleanup {
        std::string dir;
        ~Cleanup() { std::filesystem::remove_all(dir); }
    } cleanup{dir};

    test_support::MqttBroker broker;
    std::string error;
    if (!broker.start(MOSQUITTO_PROGRAM, dir + "/broker.conf", 0, error)) {
        std::fprintf(stderr, "the broker did not start: %s\n", error.c_str());
        return 1;
    }
    struct StopBroker {
        test_support::MqttBroker& broker;
        ~StopBroker() { broker.stop(); }
    } stopBroker{broker};

    sim_test::SimProcess sim(MATRIX_BIN_DIR "/matrix-sim",
                             {"--serial", dir + "/link", "--tcp", "0", "--size",
                              std::to_string(kPorts), "--type", "HDMI Matrix"},
                             dir + "/sim.out");
    if (!sim.WaitReady() || sim.ReadyField("tcp").empty()) {
        std::fprintf(stderr, "matrix-sim did not start: %s\n", sim.Output().c_str());
        return 1;
    }
    Heard heard;
    std::atomic<bool> stop{false};
    std::uint16_t relayPort = 0;
    const int listening = listenLoopback(relayPort);
    std::thread relayThread(relay, listening,
                            static_cast<std::uint16_t>(std::stoi(sim.ReadyField("tcp"))),
                            std::ref(heard), std::cref(stop));
    struct StopRelay {
        std::atomic<bool>& stop;
        std::thread& thread;
        ~StopRelay() {
            stop = true;
            thread.join();
        }
    } stopRelay{stop, relayThread};

    std::ofstream(dir + "/matrixd.ini")
        << "[Matrix1]\nName=bench\nLink=tcp:127.0.0.1:" << relayPort << "\nSize=" << kPorts
        << "\nType=HDMI\n[MQTT]\nHost=127.0.0.1\nPort=" << broker.port
        << "\nBaseTopic=bench\nClientId=matrixd-bench\nDiscovery=\n";
    sim_test::SimProcess matrixd(MATRIX_BIN_DIR "/matrixd",
                                 {"--config", dir + "/matrixd.ini", "--listen", "127.0.0.1:0"},
                                 dir + "/matrixd.out");

    mosquitto_lib_init();
    mosquitto* client = mosquitto_new("matrixd-mqtt-bench", true, &heard);
    mosquitto_int_option(client, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_message_callback_set(client, [](mosquitto*, void* h, const mosquitto_message* m) {
        auto& heard = *static_cast<Heard*>(h);
        std::lock_guard lock(heard.mutex);
        heard.state = std::string(m->topic) + " " +
                      std::string(static_cast<const char*>(m->payload),
                                  static_cast<std::size_t>(m->payloadlen));
        heard.changed.notify_all();
    });
    if (mosquitto_connect(client, "127.0.0.1", broker.port, 30) != MOSQ_ERR_SUCCESS ||
        mosquitto_subscribe(client, nullptr, "bench/bench/#", 1) != MOSQ_ERR_SUCCESS ||
        mosquitto_loop_start(client) != MOSQ_ERR_SUCCESS) {
        std::fprintf(stderr, "the bench's MQTT client could not connect\n");
        return 1;
    }
    struct StopClient {
        mosquitto* client;
        ~StopClient() {
            mosquitto_disconnect(client);
            mosquitto_loop_stop(client, false);
            mosquitto_destroy(client);
            mosquitto_lib_cleanup();
        }
    } stopClient{client};
    // Online once matrixd is connected and its link is up; the read-back that follows is over
    // once output 16's state is in.
    const std::string last = "bench/bench/output/" + std::to_string(kPorts) + " ";
    if (!heard.waitFor([&] { return heard.state.rfind(last, 0) == 0; }, 20s)) {
        std::fprintf(stderr, "matrixd did not come online (last heard: %s): %s\n",
                     heard.state.c_str(), matrixd.Output().c_str());
        return 1;
    }
    std::this_thread::sleep_for(200ms);

    std::vector<int> shows(kPorts + 1);
    for (int o = 1; o <= kPorts; ++o)
        shows[static_cast<std::size_t>(o)] = o;
    std::vector<double> times;
    for (int n = 0; n < switches; ++n) {
        const int output = n % kPorts + 1;
        int& input = shows[static_cast<std::size_t>(output)];
        input = input % kPorts + 1;
        const std::string topic = "bench/bench/output/" + std::to_string(output);
        const std::string payload = std::to_string(input);
        {
            std::lock_guard lock(heard.mutex);
            heard.lineBytes.reset();
        }
        const auto start = Clock::now();
        mosquitto_publish(client, nullptr, (topic + "/set").c_str(),
                          static_cast<int>(payload.size()), payload.data(), 0, false);
        if (!heard.waitFor([&] { return heard.lineBytes.has_value(); }, 5s) ||
            !heard.waitFor([&] { return heard.state == topic + " " + payload; }, 5s)) {
            std::fprintf(stderr, "switch %d never reached the line or came back as state: %s\n",
                         n + 1, matrixd.Output().c_str());
            return 1;
        }
        std::lock_guard lock(heard.mutex);
        times.push_back(
            std::chrono::duration<double, std::milli>(*heard.lineBytes - start).count());
    }
    if (times.empty()) {
        std::fprintf(stderr, "no switch was measured\n");
        return 1;
    }
    const double median = quantile(times, 0.5);
    std::printf("MQTT …/set published → switch frame on the line: median %.2f ms, 99th percentile "
                "%.2f ms (%zu switches); bound 5 ms: %s\n",
                median, quantile(times, 0.99), times.size(), median < 5 ? "within" : "BEYOND");
    return 0;
}
