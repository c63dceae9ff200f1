#include "platform/manual_reset_event.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform {

ManualResetEvent::ManualResetEvent() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

ManualResetEvent::~ManualResetEvent() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void ManualResetEvent::set() {
    if (m_fd < 0)
        return;
    // The counter only needs to be non-zero; a counter at its limit (EAGAIN) is set already.
    const std::uint64_t one = 1;
    while (::write(m_fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void ManualResetEvent::reset() {
    if (m_fd < 0)
        return;
    std::uint64_t value = 0;
    while (::read(m_fd, &value, sizeof value) < 0 && errno == EINTR) {
    }
}

bool ManualResetEvent::isSet() const {
    return wait(std::chrono::milliseconds(0));
}

bool ManualResetEvent::wait(std::chrono::milliseconds timeout) const {
    if (m_fd < 0)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int ms = -1;
        if (timeout.count() >= 0) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            ms = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
        pollfd p{m_fd, POLLIN, 0};
        int n = ::poll(&p, 1, ms);
        if (n > 0)
            return (p.revents & POLLIN) != 0;
        if (n == 0)
            return false;
        if (errno != EINTR)
            return false;
    }
}

} // namespace platform
