#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace controller {

// One notification on its way from the monitor thread to the owner. The monitor waits on it
// until the owner has handled the notification, or until the monitor is told to stop; then the
// ticket is abandoned and the notification, should it still be queued, is never delivered.
class DeliveryTicket {
public:
    // The notification was handled, or dropped because nobody can take it.
    void finish();
    void abandon();
    bool abandoned() const;
    // Blocks until the ticket is finished (true) or abandoned (false).
    bool waitFinished();

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_finished = false;
    bool m_abandoned = false;
};

// Lives in the owner's thread and hands notifications to the owner there, synchronously, the way
// a window procedure receives a sent message. The monitor thread never touches the owner: it
// only posts to the courier, which checks at delivery time that the owner still exists and that
// the notification has not been abandoned.
class NotificationCourier : public QObject {
public:
    NotificationCourier() = default;

    // Thread of the courier only.
    void setOwner(QObject* owner);
    // Any thread.
    bool hasOwner() const { return m_hasOwner.load(); }
    // Any thread. The ticket is finished once the owner has handled the notification or it was
    // dropped (no owner any more, abandoned, or the courier destroyed before delivery).
    void post(int type, std::uintptr_t wParam, std::shared_ptr<DeliveryTicket> ticket);
    // True while an owner's handler runs inside a delivery.
    bool delivering() const { return m_depth > 0; }

protected:
    bool event(QEvent* event) override;

private:
    QPointer<QObject> m_owner;
    std::atomic<bool> m_hasOwner{false};
    int m_depth = 0;
};

} // namespace controller
