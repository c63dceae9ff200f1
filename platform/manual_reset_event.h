#pragma once

#include <chrono>

namespace platform {

// An event that stays signalled until reset, with a descriptor that poll() can wait on. One
// thread sets it, others wait on it alone or beside their own descriptors; this is how a waiting
// thread is told to stop at once.
class ManualResetEvent {
public:
    ManualResetEvent();
    ~ManualResetEvent();
    ManualResetEvent(const ManualResetEvent&) = delete;
    ManualResetEvent& operator=(const ManualResetEvent&) = delete;

    // False when the system had no descriptor to give; such an event never becomes set, so
    // callers must not rely on it.
    bool valid() const { return m_fd >= 0; }
    void set();
    void reset();
    bool isSet() const;
    // True when the event was (or became) set within the timeout; a negative timeout waits
    // without limit.
    bool wait(std::chrono::milliseconds timeout) const;
    // Readable while the event is set.
    int fd() const { return m_fd; }

private:
    int m_fd = -1;
};

} // namespace platform
