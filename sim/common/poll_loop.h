#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace sim {

// A single-threaded event loop for the simulators: descriptors to read, timers, and an orderly
// stop on SIGTERM or SIGINT. Everything runs on the thread that calls Run(), so the simulators'
// state needs no locks.
class PollLoop {
public:
    using Clock = std::chrono::steady_clock;
    using TimerId = std::uint64_t;

    PollLoop();
    ~PollLoop();
    PollLoop(const PollLoop&) = delete;
    PollLoop& operator=(const PollLoop&) = delete;

    // Calls `onReadable` whenever `fd` has data (or an error to collect). The descriptor stays
    // owned by the caller and must stay open while the loop runs.
    void Watch(int fd, std::function<void()> onReadable);
    // Stops watching `fd`; may be called from any callback, that of `fd` included.
    void Unwatch(int fd);
    // Runs `action` once, on the loop, at `due` or as soon after as the loop gets to it. Timers
    // with the same due time run in the order they were scheduled.
    TimerId Schedule(Clock::time_point due, std::function<void()> action);
    // Forgets a timer that has not run yet; unknown ids are ignored.
    void Cancel(TimerId id);
    // Forgets every timer that has not run yet.
    void CancelAll() { m_timers.clear(); }

    // From now on SIGTERM and SIGINT end Run() instead of the process. False if the handlers
    // could not be installed.
    bool StopOnSignals();
    // Ends Run() after the current callback.
    void Stop() { m_running = false; }

    // Serves descriptors and timers until Stop() or a stop signal. Returns false if waiting
    // failed for a reason other than a signal.
    bool Run();

private:
    struct Watched {
        int fd;
        std::function<void()> onReadable;
    };
    struct Timer {
        TimerId id;
        std::function<void()> action;
    };

    void RunDueTimers();

    std::vector<Watched> m_watched;
    std::multimap<Clock::time_point, Timer> m_timers;
    TimerId m_nextId = 1;
    bool m_running = false;
    int m_signalPipe[2] = {-1, -1};
};

} // namespace sim
