#include "controller/link/serial_monitor.h"

#include "controller/link/serial_events.h"

#include <system_error>

namespace controller {

SerialMonitor::SerialMonitor(platform::SerialPort& port, NotificationCourier& courier)
    : m_port(port), m_courier(courier) {}

SerialMonitor::~SerialMonitor() {
    stop();
}

bool SerialMonitor::start() {
    if (!m_stopEvent.valid() || m_thread.joinable())
        return false;
    try {
        m_thread = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void SerialMonitor::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        if (m_pending)
            m_pending->abandon();
    }
    m_stopEvent.set();
    if (m_thread.joinable())
        m_thread.join();
}

void SerialMonitor::run() {
    for (;;) {
        const platform::SerialWait wait = m_port.waitEvent(kSerialEventMask, m_stopEvent);
        if (wait.status == platform::SerialWait::Status::Stopped)
            return;
        if (wait.status == platform::SerialWait::Status::Failed) {
            if (m_stopEvent.wait(kRetryPause))
                return;
            continue;
        }
        if (!m_courier.hasOwner())
            continue;
        // Bytes win over every other event that came with them: the owner drains the port.
        const bool received = (wait.events & platform::serial_event::kRxChar) != 0;
        auto ticket = std::make_shared<DeliveryTicket>();
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                return;
            m_pending = ticket;
        }
        m_courier.post(received ? kUmSerialReceive : kUmSerialEvent, received ? 0 : wait.events,
                       ticket);
        const bool handled = ticket->waitFinished();
        {
            std::lock_guard lock(m_mutex);
            m_pending.reset();
        }
        if (!handled)
            return;
    }
}

} // namespace controller
