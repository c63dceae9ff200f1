#include "tests/support/fake_serial_port.h"

#include <poll.h>

#include <algorithm>
#include <utility>

namespace test_support {

void FakePortControl::feed(const std::vector<std::uint8_t>& bytes) {
    std::lock_guard lock(mutex);
    received.insert(received.end(), bytes.begin(), bytes.end());
    pendingEvents |= platform::serial_event::kRxChar;
    wake.set();
}

void FakePortControl::inject(std::uint32_t events) {
    std::lock_guard lock(mutex);
    pendingEvents |= events;
    wake.set();
}

std::vector<std::string> FakePortControl::takeCalls() {
    std::lock_guard lock(mutex);
    return std::exchange(calls, {});
}

bool FakeSerialPort::getParams(platform::SerialParams& out) {
    std::lock_guard lock(m_control->mutex);
    out = m_control->params;
    return true;
}

bool FakeSerialPort::setParams(const platform::SerialParams& params) {
    std::lock_guard lock(m_control->mutex);
    m_control->calls.push_back("set");
    m_control->paramsSet.push_back(params);
    if (m_control->rejectParams)
        return false;
    m_control->params = params;
    return true;
}

bool FakeSerialPort::purge(bool input, bool output) {
    std::lock_guard lock(m_control->mutex);
    m_control->calls.push_back(std::string("purge") + (input ? " in" : "") +
                               (output ? " out" : ""));
    if (input)
        m_control->received.clear();
    return true;
}

std::size_t FakeSerialPort::bytesQueued() {
    std::lock_guard lock(m_control->mutex);
    return m_control->received.size();
}

std::ptrdiff_t FakeSerialPort::read(std::uint8_t* buffer, std::size_t count) {
    std::lock_guard lock(m_control->mutex);
    std::size_t n = 0;
    for (; n < count && !m_control->received.empty(); ++n) {
        buffer[n] = m_control->received.front();
        m_control->received.pop_front();
    }
    return static_cast<std::ptrdiff_t>(n);
}

std::ptrdiff_t FakeSerialPort::write(const std::uint8_t* bytes, std::size_t count,
                                     std::chrono::milliseconds) {
    std::lock_guard lock(m_control->mutex);
    m_control->calls.push_back("write");
    const std::size_t taken = std::min(count, m_control->writeLimit);
    m_control->written.insert(m_control->written.end(), bytes, bytes + taken);
    return static_cast<std::ptrdiff_t>(taken);
}

platform::SerialWait FakeSerialPort::waitEvent(std::uint32_t mask,
                                               const platform::ManualResetEvent& stop) {
    ++m_control->waits;
    auto ended = [&](platform::SerialWait result) {
        std::lock_guard lock(m_control->mutex);
        m_control->calls.push_back("wait ended");
        return result;
    };
    if (m_control->failWaits)
        return ended({platform::SerialWait::Status::Failed, 0});
    for (;;) {
        pollfd fds[2] = {{stop.fd(), POLLIN, 0}, {m_control->wake.fd(), POLLIN, 0}};
        ::poll(fds, 2, -1);
        if (stop.isSet())
            return ended({platform::SerialWait::Status::Stopped, 0});
        std::lock_guard lock(m_control->mutex);
        m_control->wake.reset();
        const std::uint32_t events = m_control->pendingEvents & mask;
        m_control->pendingEvents = 0;
        if (events != 0) {
            m_control->calls.push_back("wait ended");
            return {platform::SerialWait::Status::Events, events};
        }
    }
}

bool FakeSerialPort::close() {
    std::lock_guard lock(m_control->mutex);
    m_control->calls.push_back("close");
    return true;
}

} // namespace test_support
