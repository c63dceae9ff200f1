#pragma once

#include "controller/link/link.h"
#include "controller/link/serial_link.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <optional>
#include <string>

namespace controller {

// The serial line to the device as a Link: the port with its monitor thread, whose notifications
// arrive here and are read on this thread, at most 4096 bytes each, and the device's loss and
// return. A device that goes away from under the open port (an unplugged adapter: the driver's
// hang-up, or its node gone or replaced at a presence tick) closes the link; the same device
// coming back opens it again at the same rate. Always no parity, 8 data bits, 1 stop bit.
class SerialPortLink : public QObject, public Link {
public:
    // `resolver` turns a port name ("COM3") into the device to open; an empty factory opens
    // real devices.
    SerialPortLink(SerialLink::PortResolver resolver, platform::SerialPortFactory factory);
    ~SerialPortLink() override;

    // The port and rate the next open() uses.
    void setPort(const std::string& portName, int baud);
    const std::string& portName() const { return m_info.name; }
    int baud() const { return m_baud; }

    bool open() override;
    void close() override;
    bool isOpen() const override { return m_serial.isOpen(); }
    // Discards, before writing, what an earlier write left behind when its time ran out.
    bool write(std::span<const std::uint8_t> frame) override;
    const LinkInfo& info() const override { return m_info; }
    std::string lastError() const override;

    // The device of the last open, and why that open failed.
    const std::string& devicePath() const { return m_serial.devicePath(); }
    const platform::SerialOpenFailure& lastFailure() const { return m_serial.lastFailure(); }
    // The port opened but refused its line settings; it keeps its former ones.
    bool settingsRejected() const { return m_serial.settingsRejected(); }
    // True after the open port's device went away, until it is open again or closed by the owner.
    bool awaitingReturn() const override { return m_lost.has_value(); }
    bool ready() const override { return isOpen(); }

    // Starts looking, every `period`, whether the open port's device is still there, and whether
    // a lost one is back. The tick's handler is public for tests.
    void watchPresence();
    void setPresencePeriod(std::chrono::milliseconds period) { m_presence.setInterval(period); }
    void onPresenceTick();

    static constexpr std::chrono::milliseconds kPresencePeriod{500};

protected:
    bool event(QEvent* e) override;

private:
    void receive();
    void lose();

    SerialLink m_serial;
    LinkInfo m_info{"", "serial", false, Framing::Stream};
    int m_baud = 9600;
    QTimer m_presence;
    // The device of the open port, as it was when opened.
    std::optional<platform::DeviceNode> m_openNode;
    // The device that went away from under the open port, while its return is awaited.
    struct Lost {
        std::string path;
        std::optional<platform::DeviceNode> node;
        bool seenAbsent = false;
    };
    std::optional<Lost> m_lost;
};

} // namespace controller
