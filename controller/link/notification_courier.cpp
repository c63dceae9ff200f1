#include "controller/link/notification_courier.h"

#include "controller/link/serial_events.h"

#include <QCoreApplication>
#include <QThread>
#include <utility>

namespace controller {

void DeliveryTicket::finish() {
    {
        std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_changed.notify_all();
}

void DeliveryTicket::abandon() {
    {
        std::lock_guard lock(m_mutex);
        m_abandoned = true;
    }
    m_changed.notify_all();
}

bool DeliveryTicket::abandoned() const {
    std::lock_guard lock(m_mutex);
    return m_abandoned;
}

bool DeliveryTicket::waitFinished() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_finished || m_abandoned; });
    return !m_abandoned;
}

namespace {

int deliveryEventType() {
    static const int type = QEvent::registerEventType();
    return type;
}

// Carries a notification to the courier. Whatever becomes of it (delivered, dropped, or
// deleted unprocessed along with the courier), its ticket ends up finished, so the monitor
// never waits on a notification that can no longer arrive.
class DeliveryEvent : public QEvent {
public:
    DeliveryEvent(int type, std::uintptr_t wParam, std::shared_ptr<DeliveryTicket> ticket)
        : QEvent(static_cast<QEvent::Type>(deliveryEventType())), m_type(type), m_wParam(wParam),
          m_ticket(std::move(ticket)) {}
    ~DeliveryEvent() override { m_ticket->finish(); }

    int notificationType() const { return m_type; }
    std::uintptr_t wParam() const { return m_wParam; }
    const DeliveryTicket& ticket() const { return *m_ticket; }

private:
    int m_type;
    std::uintptr_t m_wParam;
    std::shared_ptr<DeliveryTicket> m_ticket;
};

} // namespace

void NotificationCourier::setOwner(QObject* owner) {
    m_owner = owner;
    m_hasOwner.store(owner != nullptr);
}

void NotificationCourier::post(int type, std::uintptr_t wParam,
                               std::shared_ptr<DeliveryTicket> ticket) {
    QCoreApplication::postEvent(this, new DeliveryEvent(type, wParam, std::move(ticket)));
}

bool NotificationCourier::event(QEvent* event) {
    if (event->type() != deliveryEventType())
        return QObject::event(event);
    auto* delivery = static_cast<DeliveryEvent*>(event);
    QObject* owner = m_owner;
    if (owner == nullptr || delivery->ticket().abandoned())
        return true;
    if (owner->thread() != QThread::currentThread()) {
        // An owner in another thread cannot be called from here; it gets the notification
        // through its own event queue instead.
        QCoreApplication::postEvent(
            owner, new SerialNotification(delivery->notificationType(), delivery->wParam()));
        return true;
    }
    // The handler may close or even destroy the link; a destroyed link leaves this courier to
    // deleteLater, so the courier itself outlives this call.
    ++m_depth;
    SerialNotification notification(delivery->notificationType(), delivery->wParam());
    QCoreApplication::sendEvent(owner, &notification);
    --m_depth;
    return true;
}

} // namespace controller
