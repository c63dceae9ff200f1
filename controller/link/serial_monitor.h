#pragma once

#include "controller/link/notification_courier.h"
#include "platform/manual_reset_event.h"
#include "platform/serial_port.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

namespace controller {

// The serial link's monitor thread: waits for port events and notifies the owner through the
// courier, one notification at a time, each handled before the next wait. It never reads or
// writes the port.
class SerialMonitor {
public:
    // Both must outlive the monitor.
    SerialMonitor(platform::SerialPort& port, NotificationCourier& courier);
    ~SerialMonitor();
    SerialMonitor(const SerialMonitor&) = delete;
    SerialMonitor& operator=(const SerialMonitor&) = delete;

    // False when the thread or its stop signal cannot be created.
    bool start();
    // Ends the thread and waits for it. Returns at once even while a notification waits to be
    // handled, including when called from the owner's handler of that notification: the
    // notification is abandoned. Safe to call more than once.
    void stop();

private:
    void run();

    // Pause after a failed wait, so that a port in a bad state is not polled in a tight loop.
    static constexpr std::chrono::milliseconds kRetryPause{100};

    platform::SerialPort& m_port;
    NotificationCourier& m_courier;
    platform::ManualResetEvent m_stopEvent;
    std::mutex m_mutex;
    bool m_stopping = false;
    std::shared_ptr<DeliveryTicket> m_pending;
    std::thread m_thread;
};

} // namespace controller
