// Brisvane's main window against matrix-sim, with a tap on the serial line between them:
//  - click on a crosspoint → the switch frame read off the line by the tap;
//  - the tap's write of a read-back reply's last byte → the output's marker moved.
// Median and 99th percentile in milliseconds, on the offscreen platform.
//
//   QT_QPA_PLATFORM=offscreen build/bin/brisvane-grid-bench [samples, default 200]
//
// Clicks go to the window as the windowing system hands an operator's clicks on: to the top-level
// window at the crosspoint's place, scrolled into view first, so that they reach whichever widget
// takes the grid's mouse events. A click that puts no frame on the line, or a reply that moves no
// marker, within two seconds is a failure: the program then says so and exits with 1, as it does
// when a figure has no samples.
//
// The tap is a pseudo-terminal whose far side is the window's COM1; a thread copies bytes both
// ways between it and the simulator's own pseudo-terminal and notes when each passes. The
// simulator's table is changed between read-backs through its loopback UDP port (127.0.0.1 only).

#include "bench/sim_process.h"
#include "controller/ui/main_window.h"
#include "widgets/hover_button.h"

#include <QApplication>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QPushButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kPorts = 16;

class PrintPrompt : public platform::PromptSink {
public:
    void show(const platform::Prompt& prompt) override {
        std::fprintf(stderr, "prompt: %s\n", prompt.text.c_str());
    }
};

void makeRaw(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(fd, TCSANOW, &tio);
    }
}

// Copies bytes between the window's line and the simulator's, noting the time of each pass.
class LineTap {
public:
    LineTap(int windowSide, int simSide) : m_window(windowSide), m_sim(simSide) {
        m_thread = std::thread([this] { run(); });
    }
    ~LineTap() {
        m_stop = true;
        m_thread.join();
    }

    // When bytes from the window were last read off the line, and how many reads there were.
    std::pair<Clock::time_point, long> lastFromWindow() {
        std::lock_guard lock(m_mutex);
        return {m_fromWindowAt, m_fromWindowCount};
    }
    // When bytes from the simulator were last handed on to the window.
    Clock::time_point lastToWindow() {
        std::lock_guard lock(m_mutex);
        return m_toWindowAt;
    }

private:
    void run() {
        pollfd fds[2] = {{m_window, POLLIN, 0}, {m_sim, POLLIN, 0}};
        std::uint8_t buffer[512];
        while (!m_stop) {
            if (::poll(fds, 2, 20) <= 0)
                continue;
            if (fds[0].revents & POLLIN) {
                const ssize_t n = ::read(m_window, buffer, sizeof buffer);
                const auto at = Clock::now();
                if (n > 0) {
                    {
                        std::lock_guard lock(m_mutex);
                        m_fromWindowAt = at;
                        ++m_fromWindowCount;
                    }
                    writeAll(m_sim, buffer, static_cast<std::size_t>(n));
                }
            }
            if (fds[1].revents & POLLIN) {
                const ssize_t n = ::read(m_sim, buffer, sizeof buffer);
                if (n > 0) {
                    // Noted before the write: the window may act on the bytes at once.
                    {
                        std::lock_guard lock(m_mutex);
                        m_toWindowAt = Clock::now();
                    }
                    writeAll(m_window, buffer, static_cast<std::size_t>(n));
                }
            }
        }
    }
    static void writeAll(int fd, const std::uint8_t* bytes, std::size_t count) {
        while (count > 0) {
            const ssize_t n = ::write(fd, bytes, count);
            if (n <= 0)
                return;
            bytes += n;
            count -= static_cast<std::size_t>(n);
        }
    }

    int m_window;
    int m_sim;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    Clock::time_point m_fromWindowAt{};
    long m_fromWindowCount = 0;
    Clock::time_point m_toWindowAt{};
    std::thread m_thread;
};

// Notes when a marker moves to a new place.
class MoveWatch : public QObject {
public:
    QEventLoop* loop = nullptr;
    QObject* awaited = nullptr;
    Clock::time_point movedAt{};

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == awaited && (e->type() == QEvent::Move || e->type() == QEvent::Show)) {
            movedAt = Clock::now();
            awaited = nullptr;
            if (loop)
                loop->quit();
        }
        return false;
    }
};

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Prints the figure; false when it has no samples.
bool report(const char* what, std::vector<double> samples) {
    if (samples.empty()) {
        std::printf("%s: no samples\n", what);
        return false;
    }
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) {
        return samples[std::min(samples.size() - 1, static_cast<std::size_t>(q * samples.size()))];
    };
    std::printf("%s: median %.3f ms, p99 %.3f ms (%zu samples)\n", what, at(0.5), at(0.99),
                samples.size());
    return true;
}

// Scrolls `pos` of the window's content into view and moves the pointer there, as an operator
// does before clicking, and lets the window repaint.
void pointAt(controller::MainWindow& window, QPoint pos) {
    window.scrollArea()->ensureVisible(pos.x(), pos.y());
    QCoreApplication::processEvents();
    QTest::mouseMove(window.windowHandle(), window.content()->mapTo(&window, pos));
    QCoreApplication::processEvents();
}

// A left click at `pos` of the window's content, as the windowing system delivers one: pressed and
// released on the top-level window.
void clickContent(controller::MainWindow& window, QPoint pos) {
    const QPoint at = window.content()->mapTo(&window, pos);
    QTest::mousePress(window.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(window.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
}

std::uint8_t sum(std::initializer_list<std::uint8_t> bytes) {
    unsigned s = 0;
    for (auto b : bytes)
        s += b;
    return static_cast<std::uint8_t>(s);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // As the program does.
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    const int samples = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;

    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    sim_test::SimProcess sim(MATRIX_BIN_DIR "/matrix-sim",
                             {"--serial", base + "/sim-link", "--udp", "0", "--size",
                              std::to_string(kPorts), "--type", "HDMI Matrix", "--log",
                              base + "/sim.log"},
                             base + "/sim.out");
    if (!sim.WaitReady()) {
        std::fprintf(stderr, "matrix-sim did not start:\n%s\n", sim.Output().c_str());
        return 1;
    }
    const auto simUdp = static_cast<quint16>(std::stoi(sim.ReadyField("udp")));
    const int simFd = ::open((base + "/sim-link").c_str(), O_RDWR | O_NOCTTY);
    int tapMaster = -1;
    int tapSlave = -1;
    char tapName[256] = {};
    if (simFd < 0 || openpty(&tapMaster, &tapSlave, tapName, nullptr, nullptr) != 0) {
        std::fprintf(stderr, "cannot set up the serial line\n");
        return 1;
    }
    makeRaw(simFd);
    makeRaw(tapSlave);

    {
        std::ofstream ini(base + "/Setting.ini", std::ios::binary);
        ini << "[SYSTEM_SET]\r\nSelectCOM=0\r\nSelectBAUD=2\r\nMatrixType=3\r\nMatrixSize=2\r\n"
               "UseNet=0\r\n[Net]\r\nHostPort=0\r\n[Ports]\r\nCOM1="
            << tapName << "\r\n";
        for (int n = 2; n <= 9; ++n)
            ini << "COM" << n << "=" << base << "/no-such-port-" << n << "\r\n";
    }

    LineTap tap(tapMaster, simFd);
    PrintPrompt prompts;
    // Every COMn is mapped above: the machine's own ports are never looked at.
    controller::MainWindow window(dir.path(), prompts, {});
    // Only the reads this program asks for.
    window.session().setTimerPeriods(std::chrono::hours(1), std::chrono::hours(1));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "the window was not shown\n");
        return 1;
    }
    MoveWatch watch;
    for (int o = 0; o < kPorts; ++o)
        window.marker(o)->installEventFilter(&watch);
    auto centre = [&](int o, int i) {
        return QPoint(window.gridLayout().outputs[static_cast<std::size_t>(o)].centre,
                      window.gridLayout().inputs[static_cast<std::size_t>(i)].centre);
    };

    // Click → frame on the line.
    std::vector<double> clickToLine;
    int failures = 0;
    for (int k = 0; k < samples; ++k) {
        const int o = k % kPorts;
        const int i = (k / kPorts + o + 1) % kPorts;
        pointAt(window, centre(o, i));
        const long before = tap.lastFromWindow().second;
        const auto clicked = Clock::now();
        clickContent(window, centre(o, i));
        const auto deadline = Clock::now() + 2s;
        std::pair<Clock::time_point, long> seen;
        while ((seen = tap.lastFromWindow()).second == before && Clock::now() < deadline)
            std::this_thread::sleep_for(100us);
        if (seen.second != before) {
            clickToLine.push_back(ms(seen.first - clicked));
        } else {
            std::fprintf(stderr, "click on output %d, input %d: nothing on the line\n", o + 1,
                         i + 1);
            ++failures;
        }
        // Let the device's 0x01 answer in before the next click.
        QEventLoop settle;
        QTimer::singleShot(20, &settle, &QEventLoop::quit);
        settle.exec();
    }

    // Reply's last byte → moved marker.
    auto rowOf = [&](int o) {
        const QRect r = window.marker(o)->geometry();
        const int y = r.top() + r.height() / 2;
        for (int i = 0; i < kPorts; ++i)
            if (window.gridLayout().inputs[static_cast<std::size_t>(i)].centre == y)
                return i;
        return 0;
    };
    QUdpSocket udp;
    udp.bind(QHostAddress::LocalHost, 0);
    auto* readSwitch = window.findChild<QPushButton*>(QStringLiteral("readSwitchButton"));
    std::vector<double> replyToMarker;
    for (int k = 0; k < samples; ++k) {
        const int o = k % kPorts;
        // Any input but the one the marker shows now.
        const int input = (rowOf(o) + 1 + (k / kPorts) % (kPorts - 1)) % kPorts;
        const auto oo = static_cast<std::uint8_t>(o);
        const auto ii = static_cast<std::uint8_t>(input);
        const std::uint8_t frame[] = {
            0xBA, 0x01, 0x01, 0x04, 0xA6, oo, ii, sum({0xBA, 0x01, 0x01, 0x04, 0xA6, oo, ii})};
        udp.writeDatagram(reinterpret_cast<const char*>(frame), sizeof frame,
                          QHostAddress::LocalHost, simUdp);
        if (udp.waitForReadyRead(2000)) {
            char answer[64];
            udp.readDatagram(answer, sizeof answer);
        }

        QEventLoop loop;
        watch.loop = &loop;
        watch.awaited = window.marker(o);
        QTimer::singleShot(2000, &loop, &QEventLoop::quit);
        readSwitch->click();
        if (watch.awaited)
            loop.exec();
        watch.loop = nullptr;
        if (watch.awaited == nullptr) {
            replyToMarker.push_back(ms(watch.movedAt - tap.lastToWindow()));
        } else {
            std::fprintf(stderr, "read-back after output %d was fed input %d: marker not moved\n",
                         o + 1, input + 1);
            ++failures;
        }
        watch.awaited = nullptr;
    }

    bool measured = report("click on a crosspoint -> switch frame on the serial line", clickToLine);
    measured = report("read-back reply's last byte on the line -> marker moved", replyToMarker) &&
               measured;
    window.close();
    ::close(tapSlave);
    ::close(simFd);
    if (failures > 0)
        std::printf("%d of %d samples failed\n", failures, 2 * samples);
    return measured && failures == 0 ? 0 : 1;
}
