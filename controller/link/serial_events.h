#pragma once

#include "platform/serial_port.h"

#include <QEvent>
#include <cstdint>

namespace controller {

// Notifications from the serial link's monitor thread to its owner, numbered like the window
// messages the main window's handlers were written for (WM_USER + 2000 and + 2001). Both lie in
// Qt's user event range.
inline constexpr int kUmSerialReceive = 0x0BD0; // bytes are waiting; wParam 0
inline constexpr int kUmSerialEvent = 0x0BD1;   // any other port event; wParam the event mask
inline constexpr int UM_SERIAL_RECEIVE = kUmSerialReceive;
inline constexpr int UM_SERIAL_EVENT = kUmSerialEvent;

// Every event the monitor listens for; the bits are platform::serial_event's.
inline constexpr std::uint32_t kSerialEventMask = platform::serial_event::kAll;

// The event an owner receives, carrying the two message parameters.
class SerialNotification : public QEvent {
public:
    SerialNotification(int type, std::uintptr_t wParam, std::intptr_t lParam = 0)
        : QEvent(static_cast<QEvent::Type>(type)), m_wParam(wParam), m_lParam(lParam) {}

    std::uintptr_t wParam() const { return m_wParam; }
    std::intptr_t lParam() const { return m_lParam; }

private:
    std::uintptr_t m_wParam;
    std::intptr_t m_lParam;
};

} // namespace controller
