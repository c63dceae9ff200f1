#include "sim/common/poll_loop.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace sim {

namespace {

// Written by the signal handler, read by the loop: the self-pipe trick keeps the handler
// async-signal-safe and wakes a loop that sleeps in poll().
volatile sig_atomic_t gSignalWriteFd = -1;

void OnStopSignal(int) {
    const int saved = errno;
    const int fd = gSignalWriteFd;
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] ssize_t ignored = ::write(fd, &byte, 1);
    }
    errno = saved;
}

} // namespace

PollLoop::PollLoop() = default;

PollLoop::~PollLoop() {
    if (m_signalPipe[0] >= 0) {
        gSignalWriteFd = -1;
        struct sigaction restore {};
        restore.sa_handler = SIG_DFL;
        sigaction(SIGTERM, &restore, nullptr);
        sigaction(SIGINT, &restore, nullptr);
        ::close(m_signalPipe[0]);
        ::close(m_signalPipe[1]);
    }
}

void PollLoop::Unwatch(int fd) {
    // Left in place until the next round: the round under way still walks the list.
    for (Watched& w : m_watched)
        if (w.fd == fd)
            w.fd = -1;
}

void PollLoop::Watch(int fd, std::function<void()> onReadable) {
    m_watched.push_back({fd, std::move(onReadable)});
}

PollLoop::TimerId PollLoop::Schedule(Clock::time_point due, std::function<void()> action) {
    const TimerId id = m_nextId++;
    m_timers.emplace(due, Timer{id, std::move(action)});
    return id;
}

void PollLoop::Cancel(TimerId id) {
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (it->second.id == id) {
            m_timers.erase(it);
            return;
        }
    }
}

bool PollLoop::StopOnSignals() {
    if (m_signalPipe[0] >= 0)
        return true;
    if (pipe2(m_signalPipe, O_NONBLOCK | O_CLOEXEC) != 0)
        return false;
    gSignalWriteFd = m_signalPipe[1];
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    return sigaction(SIGTERM, &action, nullptr) == 0 && sigaction(SIGINT, &action, nullptr) == 0;
}

void PollLoop::RunDueTimers() {
    const auto now = Clock::now();
    // Take one timer at a time: an action may schedule or cancel others.
    while (m_running && !m_timers.empty() && m_timers.begin()->first <= now) {
        auto action = std::move(m_timers.begin()->second.action);
        m_timers.erase(m_timers.begin());
        action();
    }
}

bool PollLoop::Run() {
    m_running = true;
    while (m_running) {
        RunDueTimers();
        if (!m_running)
            break;

        std::erase_if(m_watched, [](const Watched& w) { return w.fd < 0; });
        std::vector<pollfd> fds;
        fds.reserve(m_watched.size() + 1);
        for (const Watched& w : m_watched)
            fds.push_back({w.fd, POLLIN, 0});
        if (m_signalPipe[0] >= 0)
            fds.push_back({m_signalPipe[0], POLLIN, 0});

        int timeoutMs = -1;
        if (!m_timers.empty()) {
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(m_timers.begin()->first -
                                                                           Clock::now());
            timeoutMs = static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, wait.count()));
        }
        const int ready = ::poll(fds.data(), fds.size(), timeoutMs);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (m_signalPipe[0] >= 0 && fds.back().revents != 0) {
            m_running = false;
            break;
        }
        // Callbacks may watch more descriptors or stop watching some: only those polled this
        // round and still watched are served.
        const std::size_t polled = fds.size() - (m_signalPipe[0] >= 0 ? 1 : 0);
        for (std::size_t i = 0; i < polled && m_running; ++i) {
            if (fds[i].revents != 0 && m_watched[i].fd == fds[i].fd) {
                const auto onReadable = m_watched[i].onReadable;
                onReadable();
            }
        }
    }
    return true;
}

} // namespace sim
