#pragma once

#include <QEvent>

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace controller {

// The main window's message to the open Setup dialog: an input properties report (0x1E) arrived.
// The number lies in Qt's user range, so it is used as the event type as it stands.
inline constexpr int UM_INPUT_PROPERTIES = 0x07E8;

// Carries the report's data bytes, copied from frame offset 4 on (input channel, two unused bytes,
// EDID index, crop, aspect-ratio index). It owns its copy: the receive buffer the frame came from
// may be overwritten by the next arrival while the dialog still looks at the event. The main
// window delivers it with QCoreApplication::sendEvent, so the dialog handles it during the call.
class InputPropertiesEvent : public QEvent {
public:
    static QEvent::Type eventType() { return static_cast<QEvent::Type>(UM_INPUT_PROPERTIES); }

    explicit InputPropertiesEvent(std::vector<std::uint8_t> data)
        : QEvent(eventType()), m_data(std::move(data)) {}

    // Convenience for the main window: copies the data of a whole received frame (offset 4 up to
    // the end of what was received). A frame shorter than that gives an empty report.
    static InputPropertiesEvent fromFrame(const std::uint8_t* frame, std::size_t size) {
        if (frame == nullptr || size <= kDataOffset)
            return InputPropertiesEvent({});
        return InputPropertiesEvent(std::vector<std::uint8_t>(frame + kDataOffset, frame + size));
    }

    const std::vector<std::uint8_t>& data() const { return m_data; }

    static constexpr std::size_t kDataOffset = 4;

private:
    std::vector<std::uint8_t> m_data;
};

} // namespace controller
