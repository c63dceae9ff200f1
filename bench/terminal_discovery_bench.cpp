// Time from "Scan" to every terminal listed, against terminal-sim, with the list window's 100 ms
// poll running on a real timer. Multicasts, so it runs only inside a private network namespace:
//
//   unshare -n bash -c 'ip link set lo up; ip link set lo multicast on;
//     ip route add 224.0.0.0/4 dev lo; build/bin/terminal-discovery-bench [runs [N...]]'
//
// (one line when typed; split here for width). N are the numbers of terminals, 1 64 256 unless
// given. A run in which not every terminal is listed within 30 s ends the program with 1.

#include "sim/common/namespace_guard.h"
#include "terminal_setup/protocol/interface_choice.h"
#include "terminal_setup/protocol/system_interfaces.h"
#include "terminal_setup/session/discovery_session.h"
#include "tests/terminal_protocol/free_udp_port.h"
#include "tests/terminal_protocol/terminal_sim_process.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

using namespace std::chrono_literals;
using terminal_setup::DiscoverySession;

constexpr auto kPollPeriod = 100ms;
constexpr auto kGiveUpAfter = 30s;

class StopWhenListed : public terminal_setup::DiscoveryListener {
public:
    std::size_t expected = 0;
    QEventLoop* loop = nullptr;
    void terminalAdded(std::size_t row) override {
        if (row + 1 == expected && loop)
            loop->quit();
    }
};

// Milliseconds from scan() to the N-th row, one value per run, with the group socket polled every
// `pollPeriod`; empty when terminal-sim failed.
std::vector<double> timeScans(int terminals, int runs, std::chrono::milliseconds pollPeriod) {
    const std::uint16_t port = terminal_test::freeUdpPort();
    terminal_test::TerminalSimProcess sim(
        MATRIX_BIN_DIR "/terminal-sim",
        {"--count", QString::number(terminals), "--port", QString::number(port)});
    if (!sim.isReady()) {
        std::fprintf(stderr, "terminal-sim did not start:\n%s\n", qPrintable(sim.log()));
        return {};
    }
    StopWhenListed listener;
    DiscoverySession discovery(listener, {port, {}, {}});
    const auto interfaces = terminal_setup::systemNetworkInterfaces();
    const terminal_setup::NetworkInterface* loopback =
        terminal_setup::findInterface(interfaces, "lo");
    if (discovery.open(loopback, terminal_setup::kDiscoveryGroup)) {
        std::fprintf(stderr, "cannot open the discovery socket\n");
        return {};
    }
    QTimer poll; // the window's timer 3
    QObject::connect(&poll, &QTimer::timeout, [&] { discovery.pollGroupSocket(); });
    poll.setTimerType(Qt::PreciseTimer);
    poll.start(pollPeriod);

    std::mt19937 random(7);
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        // Click at a different moment of the poll period each time.
        QEventLoop pause;
        QTimer::singleShot(std::chrono::milliseconds(100 + random() % 100), &pause,
                           &QEventLoop::quit);
        pause.exec();

        QEventLoop wait;
        listener.expected = static_cast<std::size_t>(terminals);
        listener.loop = &wait;
        QTimer::singleShot(kGiveUpAfter, &wait, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        discovery.scan(loopback);
        wait.exec();
        const double elapsed = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        listener.loop = nullptr;
        if (discovery.table().size() != static_cast<std::size_t>(terminals)) {
            std::fprintf(stderr, "run %d: %zu of %d listed\n", run, discovery.table().size(),
                         terminals);
            return {};
        }
        times.push_back(elapsed);
        for (int tick = 0; tick < 5; ++tick)
            discovery.tickScanWindow();
    }
    return times;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::string why;
    if (!sim::inPrivateNetworkNamespace(&why)) {
        std::fprintf(stderr, "refusing to run outside a private network namespace (%s).\nRun: %s\n",
                     why.c_str(), sim::kPrivateNamespaceRecipe);
        return 3;
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    std::vector<int> counts;
    for (int k = 2; k < argc; ++k)
        counts.push_back(std::max(1, std::atoi(argv[k])));
    if (counts.empty())
        counts = {1, 64, 256};
    std::printf("Scan to all N terminals listed, median of %d runs (min, max; every run)\n", runs);
    // The window polls every 100 ms; a 1 ms poll shows how long the answers take to arrive.
    for (const auto period : {kPollPeriod, std::chrono::milliseconds(1)}) {
        std::printf("poll every %lld ms\n", static_cast<long long>(period.count()));
        for (int terminals : counts) {
            std::vector<double> times = timeScans(terminals, runs, period);
            if (times.empty())
                return 1;
            std::sort(times.begin(), times.end());
            std::printf("  N=%3d  median %6.1f ms  (%.1f, %.1f; ", terminals,
                        times[times.size() / 2], times.front(), times.back());
            for (double time : times)
                std::printf(" %.1f", time);
            std::printf(")\n");
        }
    }
    return 0;
}
