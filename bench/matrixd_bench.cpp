// matrixd against matrix-sim on a pseudo-terminal at 9600 baud, measured as its clients see it:
//  - PUT /api/v1/matrices/NAME/outputs/N → 200, each a change, one after the other: median and
//    99th percentile beside the frames' time on a real 9600 baud line (a switch request and its
//    answer, 8 bytes each, 10 bits a byte) plus 5 ms;
//  - 100 WebSocket clients of /api/v1/events: from each PUT sent to its event at every client,
//    median, 99th percentile and longest, beside 100 ms;
//  - matrixd's resident memory with the clients connected, beside 40 MB.
//
//   build/bin/matrixd-bench [puts, default 200] [clients, default 100] [rounds, default 50]
//
// Only 127.0.0.1 is used. Exits with 1 when a figure could not be taken: matrixd or matrix-sim
// did not start, a request was not answered 200, a client could not connect or missed an event.
#include "bench/sim_process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kPorts = 16;
constexpr double kWireMs = 2 * 8 * 10 * 1000.0 / 9600;

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double quantile(std::vector<double> values, double at) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(at * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

int connectTo(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool sendAll(int fd, const std::string& bytes) {
    for (std::size_t sent = 0; sent < bytes.size();) {
        const ssize_t put = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (put <= 0)
            return false;
        sent += static_cast<std::size_t>(put);
    }
    return true;
}

// One PUT, answered and the connection closed by matrixd; its status (0: none).
int put(std::uint16_t port, int output, int input) {
    const std::string body = "{\"input\": " + std::to_string(input) + "}";
    const int fd = connectTo(port);
    if (fd < 0)
        return 0;
    sendAll(fd, "PUT /api/v1/matrices/bench/outputs/" + std::to_string(output) +
                    " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
                    "Content-Length: " +
                    std::to_string(body.size()) + "\r\n\r\n" + body);
    std::string answer;
    char buffer[2048];
    for (ssize_t got; (got = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
        answer.append(buffer, static_cast<std::size_t>(got));
    ::close(fd);
    return answer.rfind("HTTP/1.1 ", 0) == 0 ? std::atoi(answer.c_str() + 9) : 0;
}

// A client of the events: the handshake done, what it has read since the last round.
struct Listener {
    int fd = -1;
    std::string pending;
};

bool openListener(Listener& listener, std::uint16_t port) {
    listener.fd = connectTo(port);
    if (listener.fd < 0 ||
        !sendAll(listener.fd, "GET /api/v1/events HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: "
                              "websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: "
                              "dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n"))
        return false;
    std::string head;
    char byte;
    while (head.find("\r\n\r\n") == std::string::npos && ::recv(listener.fd, &byte, 1, 0) == 1)
        head += byte;
    return head.rfind("HTTP/1.1 101", 0) == 0;
}

long statusKb(pid_t pid, const char* key) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0)
            return std::strtol(line.c_str() + std::string(key).size(), nullptr, 10);
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    const int puts = argc > 1 ? std::atoi(argv[1]) : 200;
    const int clients = argc > 2 ? std::atoi(argv[2]) : 100;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 50;
    if (puts < 1 || clients < 1 || rounds < 1) {
        std::fprintf(stderr, "usage: matrixd-bench [puts] [clients] [rounds]\n");
        return 2;
    }
    const std::string dir =
        std::filesystem::temp_directory_path() / ("matrixd-bench." + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    struct Cleanup {
        std::string dir;
        ~Cleanup() { std::filesystem::remove_all(dir); }
    } cleanup{dir};

    sim_test::SimProcess sim(
        MATRIX_BIN_DIR "/matrix-sim",
        {"--serial", dir + "/link", "--size", std::to_string(kPorts), "--type", "HDMI Matrix"},
        dir + "/sim.out");
    if (!sim.WaitReady()) {
        std::fprintf(stderr, "matrix-sim did not start: %s\n", sim.Output().c_str());
        return 1;
    }
    std::ofstream(dir + "/matrixd.ini") << "[Matrix1]\nName=bench\nLink=serial:" << dir
                                        << "/link\nSize=" << kPorts << "\nType=HDMI\nBaud=9600\n";
    sim_test::SimProcess matrixd(MATRIX_BIN_DIR "/matrixd",
                                 {"--config", dir + "/matrixd.ini", "--listen", "127.0.0.1:0"},
                                 dir + "/matrixd.out");
    std::uint16_t port = 0;
    for (auto deadline = Clock::now() + 20s; port == 0 && Clock::now() < deadline;) {
        const std::string out = matrixd.Output();
        const auto at = out.find("listening on http://127.0.0.1:");
        if (at != std::string::npos && out.find("link up") != std::string::npos)
            port = static_cast<std::uint16_t>(std::atoi(out.c_str() + at + 30));
        std::this_thread::sleep_for(10ms);
    }
    if (port == 0) {
        std::fprintf(stderr, "matrixd did not start: %s\n", matrixd.Output().c_str());
        return 1;
    }
    // Every switch a change: each output takes the input after the one it shows (matrix-sim
    // starts with input N on output N).
    std::vector<int> shows(kPorts + 1);
    for (int o = 1; o <= kPorts; ++o)
        shows[static_cast<std::size_t>(o)] = o;
    int turn = 0;
    const auto nextSwitch = [&] {
        const int output = turn++ % kPorts + 1;
        int& input = shows[static_cast<std::size_t>(output)];
        input = input % kPorts + 1;
        return std::pair{output, input};
    };

    std::vector<double> putTimes;
    for (int n = 0; n < puts; ++n) {
        const auto [output, input] = nextSwitch();
        const auto start = Clock::now();
        if (put(port, output, input) != 200) {
            std::fprintf(stderr, "PUT %d was not answered 200\n", n + 1);
            return 1;
        }
        putTimes.push_back(ms(Clock::now() - start));
    }
    const double median = quantile(putTimes, 0.5);
    std::printf("PUT → 200 on a pty at 9600 baud: median %.2f ms, 99th percentile %.2f ms (%d "
                "requests); the frames' wire time %.1f ms + 5 ms = %.1f ms: %s\n",
                median, quantile(putTimes, 0.99), puts, kWireMs, kWireMs + 5,
                median <= kWireMs + 5 ? "within" : "BEYOND");

    std::vector<Listener> listeners(static_cast<std::size_t>(clients));
    for (Listener& listener : listeners)
        if (!openListener(listener, port)) {
            std::fprintf(stderr, "a client of the events could not connect\n");
            return 1;
        }
    std::this_thread::sleep_for(200ms);
    const long rss = statusKb(matrixd.Pid(), "VmRSS:");

    std::vector<double> eventTimes;
    for (int round = 0; round < rounds; ++round) {
        const auto [output, input] = nextSwitch();
        const std::string event =
            "{\"event\": \"crosspoint\", \"matrix\": \"bench\", \"output\": " +
            std::to_string(output) + ", \"input\": " + std::to_string(input) + "}";
        const auto start = Clock::now();
        std::thread client([&, output = output, input = input] { put(port, output, input); });
        std::vector<bool> heard(listeners.size(), false);
        std::size_t left = listeners.size();
        const auto deadline = start + 5s;
        std::vector<pollfd> fds;
        for (const Listener& l : listeners)
            fds.push_back({l.fd, POLLIN, 0});
        while (left > 0 && Clock::now() < deadline) {
            if (::poll(fds.data(), fds.size(), 100) <= 0)
                continue;
            const auto now = Clock::now();
            for (std::size_t i = 0; i < fds.size(); ++i) {
                if (!(fds[i].revents & POLLIN))
                    continue;
                char buffer[4096];
                const ssize_t got = ::recv(fds[i].fd, buffer, sizeof buffer, MSG_DONTWAIT);
                if (got > 0)
                    listeners[i].pending.append(buffer, static_cast<std::size_t>(got));
                if (!heard[i] && listeners[i].pending.find(event) != std::string::npos) {
                    heard[i] = true;
                    --left;
                    eventTimes.push_back(ms(now - start));
                    listeners[i].pending.clear();
                }
            }
        }
        client.join();
        if (left > 0) {
            std::fprintf(stderr, "%zu clients missed the event of round %d\n", left, round + 1);
            return 1;
        }
    }
    const double p99 = quantile(eventTimes, 0.99);
    std::printf("%d WebSocket clients, PUT sent → event at each client: median %.2f ms, 99th "
                "percentile %.2f ms, longest %.2f ms (%zu events); bound 100 ms: %s\n",
                clients, quantile(eventTimes, 0.5), p99, quantile(eventTimes, 1.0),
                eventTimes.size(), p99 <= 100 ? "within" : "BEYOND");
    if (rss <= 0) {
        std::fprintf(stderr, "matrixd's memory could not be read\n");
        return 1;
    }
    std::printf("matrixd's resident memory with %d clients: %.1f MB (peak %.1f MB); bound 40 MB: "
                "%s\n",
                clients, rss / 1024.0, statusKb(matrixd.Pid(), "VmHWM:") / 1024.0,
                rss <= 40 * 1024 ? "within" : "BEYOND");
    for (const Listener& l : listeners)
        ::close(l.fd);
    return 0;
}
