#include "tests/controller_link/recording_owner.h"

#include <QCoreApplication>
#include <thread>

namespace test_support {

void RecordingOwner::customEvent(QEvent* event) {
    if (event->type() != controller::kUmSerialReceive &&
        event->type() != controller::kUmSerialEvent)
        return;
    const auto* n = static_cast<controller::SerialNotification*>(event);
    const Note note{event->type(), n->wParam(), n->lParam()};
    notes.push_back(note);
    if (handler)
        handler(note);
}

bool processEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
}

void processEventsFor(std::chrono::milliseconds time) {
    processEventsUntil([] { return false; }, time);
}

} // namespace test_support
