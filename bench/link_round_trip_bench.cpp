// Round trip of a switch request against matrix-sim: from handing the frame to a link to its
// 0x01 reply being dispatched, once over SerialLink on a pseudo-terminal and once over NetLink on
// loopback with the main window's 100 ms poll. Median and 99th percentile in milliseconds.
//
//   build/bin/link-round-trip-bench [round trips, default 1000]
//
// Only 127.0.0.1 is used. Each UDP request waits a random part of the poll period first, as a
// click would, so the poll phase is sampled evenly. A round trip whose reply is not dispatched
// within two seconds is a failure: the program exits with 1 when any round trip failed.

#include "bench/sim_process.h"
#include "controller/link/net_link.h"
#include "controller/link/serial_link.h"
#include "controller/protocol/frame_accumulator.h"
#include "controller/protocol/switch_requests.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kPollPeriod = 100ms;
constexpr auto kGiveUpAfter = 2s;
constexpr int kPorts = 16;
constexpr std::uint8_t kSignalCode = 0xA6;
const controller::DispatchContext kContext{0, 1, kPorts, kPorts};

// Ends the wait of the current round trip when the reply for its crosspoint is dispatched.
class StopOnCrosspoints : public controller::ReplyHandler {
public:
    QEventLoop* loop = nullptr;
    controller::Crosspoint awaited;
    bool dispatched = false;
    void applyCrosspoints(const std::vector<controller::Crosspoint>& pairs) override {
        if (pairs.size() != 1 || !(pairs[0] == awaited))
            return;
        dispatched = true;
        if (loop)
            loop->quit();
    }
    void endAwaitedRead() override {}
    void showPromptText(const std::string&) override {}
    void forwardInputProperties(const controller::InputPropertiesReport&) override {}
};

// Reads the serial line as the main window does: one byte per call, then one collection.
class SerialOwner : public QObject {
public:
    SerialOwner(controller::SerialLink& link, controller::ReplyHandler& handler)
        : m_link(link), m_handler(handler) {}

protected:
    void customEvent(QEvent* event) override {
        if (event->type() != controller::kUmSerialReceive)
            return;
        std::vector<std::uint8_t> batch;
        std::uint8_t byte = 0;
        while (m_link.Read(&byte, 1) == 1)
            batch.push_back(byte);
        m_accumulator.collect(m_buffer, batch, kContext, m_handler);
    }

private:
    controller::SerialLink& m_link;
    controller::ReplyHandler& m_handler;
    controller::FrameAccumulator m_accumulator;
    controller::FrameAccumulator::LinkBuffer m_buffer{
        {"COM1", "serial", false, controller::Framing::Stream}};
};

// Runs `send` and waits for the dispatch; milliseconds, or a negative value on a time-out.
template <typename Send>
double roundTrip(StopOnCrosspoints& handler, int run, Send send) {
    QEventLoop loop;
    handler.loop = &loop;
    handler.dispatched = false;
    handler.awaited = {run % kPorts, (run / kPorts) % kPorts};
    QTimer::singleShot(kGiveUpAfter, &loop, &QEventLoop::quit);
    const auto start = Clock::now();
    send();
    if (!handler.dispatched)
        loop.exec();
    const auto end = Clock::now();
    handler.loop = nullptr;
    if (!handler.dispatched)
        return -1;
    return std::chrono::duration<double, std::milli>(end - start).count();
}

controller::CommandFrame requestFor(int run) {
    return controller::switchRequest(0, 1, kSignalCode, static_cast<std::uint8_t>(run % kPorts),
                                     static_cast<std::uint8_t>((run / kPorts) % kPorts));
}

std::vector<double> timeSerial(const std::string& linkPath, int runs) {
    controller::SerialLink link;
    StopOnCrosspoints handler;
    SerialOwner owner(link, handler);
    if (!link.Open(&owner, linkPath, 9600, 0, 8, 1) || !link.StartMonitor()) {
        std::fprintf(stderr, "cannot open %s\n", linkPath.c_str());
        return {};
    }
    link.Purge();
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto frame = requestFor(run);
        const double ms =
            roundTrip(handler, run, [&] { link.Write(frame.bytes().data(), frame.size(), true); });
        if (ms >= 0)
            times.push_back(ms);
    }
    return times;
}

std::vector<double> timeUdp(std::uint16_t simPort, int runs) {
    controller::NetLink link;
    if (!link.Create(0))
        return {};
    StopOnCrosspoints handler;
    controller::FrameAccumulator accumulator;
    controller::FrameAccumulator::LinkBuffer buffer{
        {"UDP", "udp", true, controller::Framing::Datagram}};
    QTimer poll; // the main window's timer 3
    poll.setTimerType(Qt::PreciseTimer);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        std::array<std::uint8_t, controller::NetLink::kReceiveSize> received{};
        const int got = link.Poll(received);
        accumulator.collect(buffer,
                            std::span<const std::uint8_t>(received.data(), got > 0 ? got : 0),
                            kContext, handler);
    });
    poll.start(kPollPeriod);

    std::mt19937 random(7);
    std::uniform_int_distribution<int> phase(0, static_cast<int>(kPollPeriod.count()) - 1);
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QEventLoop pause;
        QTimer::singleShot(std::chrono::milliseconds(phase(random)), &pause, &QEventLoop::quit);
        pause.exec();
        const auto frame = requestFor(run);
        const double ms = roundTrip(handler, run, [&] {
            link.Send(frame.bytes().data(), frame.size(), "127.0.0.1", simPort);
        });
        if (ms >= 0)
            times.push_back(ms);
    }
    return times;
}

// Prints the figure; false unless every round trip completed.
bool report(const char* name, std::vector<double> times, int runs) {
    if (times.empty()) {
        std::printf("%-8s no round trip completed\n", name);
        return false;
    }
    std::sort(times.begin(), times.end());
    auto at = [&](double q) {
        return times[std::min(times.size() - 1, static_cast<std::size_t>(q * times.size()))];
    };
    std::printf("%-8s %4zu/%d round trips  median %7.3f ms  p99 %7.3f ms  max %7.3f ms\n", name,
                times.size(), runs, at(0.5), at(0.99), times.back());
    return times.size() == static_cast<std::size_t>(runs);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    QTemporaryDir dir;
    const std::string linkPath = QDir(dir.path()).filePath("matrix").toStdString();
    sim_test::SimProcess sim(MATRIX_BIN_DIR "/matrix-sim",
                             {"--serial", linkPath, "--udp", "0", "--size", std::to_string(kPorts),
                              "--log", QDir(dir.path()).filePath("sim.log").toStdString()},
                             QDir(dir.path()).filePath("sim.out").toStdString());
    if (!sim.WaitReady()) {
        std::fprintf(stderr, "matrix-sim did not start:\n%s\n", sim.Output().c_str());
        return 1;
    }
    const int simPort = std::atoi(sim.ReadyField("udp").c_str());
    std::printf("switch request -> 0x01 reply dispatched, matrix-sim %dx%d\n", kPorts, kPorts);
    const bool serial = report("serial", timeSerial(sim.ReadyField("serial"), runs), runs);
    const bool udp = report("udp", timeUdp(static_cast<std::uint16_t>(simPort), runs), runs);
    return serial && udp ? 0 : 1;
}
