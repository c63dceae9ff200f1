#pragma once

#include "controller/link/serial_events.h"

#include <QObject>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

namespace test_support {

// Stands in for the main window: records every serial notification it is sent and runs an
// optional handler for it, as the window's message handler would.
class RecordingOwner : public QObject {
public:
    struct Note {
        int type;
        std::uintptr_t wParam;
        std::intptr_t lParam;
        bool operator==(const Note&) const = default;
    };

    std::vector<Note> notes;
    std::function<void(const Note&)> handler;

protected:
    void customEvent(QEvent* event) override;
};

// Runs the event loop until `done` holds or the time is up; returns `done()`.
bool processEventsUntil(const std::function<bool()>& done,
                        std::chrono::milliseconds timeout = std::chrono::milliseconds(3000));
// Runs the event loop for the given time.
void processEventsFor(std::chrono::milliseconds time);

} // namespace test_support
