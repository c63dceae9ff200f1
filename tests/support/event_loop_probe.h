#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <functional>

#include <malloc.h>
#include <sys/resource.h>

extern "C" __attribute__((weak)) std::size_t __sanitizer_get_current_allocated_bytes();

namespace test_support {

// How the event loop kept time while a probe timer ran beside the window's own timers.
struct TickRecord {
    int ticks = 0;
    std::chrono::milliseconds longestGap{0};
};

// Runs the thread's event loop for `time`, sleeping between events as the program does, with a
// probe timer of `period` in it; `eachTick` (optional) runs at every probe tick. A window that
// blocks or floods its own thread shows up as long gaps and missing ticks.
inline TickRecord runEventLoopWithProbe(std::chrono::milliseconds time,
                                        std::chrono::milliseconds period,
                                        const std::function<void()>& eachTick = {}) {
    TickRecord record;
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(period);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        record.longestGap = std::max(record.longestGap, std::chrono::milliseconds(now - last));
        last = now;
        ++record.ticks;
        if (eachTick)
            eachTick();
    });
    QEventLoop loop;
    QTimer::singleShot(time, &loop, &QEventLoop::quit);
    probe.start();
    loop.exec();
    return record;
}

// Processor time of the whole process (every thread), user and system.
inline std::chrono::milliseconds processCpuTime() {
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    const auto micros = [](const timeval& t) {
        return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec);
    };
    return std::chrono::duration_cast<std::chrono::milliseconds>(micros(use.ru_utime) +
                                                                 micros(use.ru_stime));
}

// Bytes the program holds on its heap right now. Under AddressSanitizer that is the sanitizer's
// own count: freed blocks wait in its quarantine and would make the resident size grow with
// every allocation, leak or not.
inline std::size_t liveHeapBytes() {
    if (&__sanitizer_get_current_allocated_bytes != nullptr)
        return __sanitizer_get_current_allocated_bytes();
    return mallinfo2().uordblks;
}

} // namespace test_support
