#pragma once

#include "controller/link/serial_events.h"
#include "platform/serial_port.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>

class QObject;

namespace controller {

class NotificationCourier;
class SerialMonitor;

// Carries bytes between the controller and one matrix switcher over a serial port. A monitor
// thread waits for port events and tells the owner about them with UM_SERIAL_RECEIVE and
// UM_SERIAL_EVENT (serial_events.h), delivered in the owner's thread, one at a time; every byte
// is read by the owner on its own thread, from its UM_SERIAL_RECEIVE handler.
//
// States: Closed (no port), Open (port, no monitor), Monitoring (port and monitor). Every
// operation is called from the thread the link was created in, where the owner lives too.
class SerialLink {
public:
    // Turns a port name such as "COM3" into the device path to open.
    using PortResolver = std::function<std::string(const std::string& portName)>;

    // An empty resolver uses the port name as the path; an empty factory opens real devices.
    explicit SerialLink(PortResolver resolver = {}, platform::SerialPortFactory factory = {});
    // Closes the link.
    virtual ~SerialLink();
    SerialLink(const SerialLink&) = delete;
    SerialLink& operator=(const SerialLink&) = delete;

    // Closes whatever was open, then opens and configures the port. True when the port is open,
    // even when its line settings were rejected (settingsRejected() then says so, and the port
    // keeps its former settings); false when it cannot be opened, and the link is Closed:
    // lastFailure() then says why. A port name the resolver turns into "" has no device.
    bool Open(QObject* owner, const std::string& portName, int baud, int parity, int dataBits,
              int stopBits);
    // The object that receives the notifications; null sends none.
    void SetOwner(QObject* owner);
    // Starts the monitor thread; true when one runs. False with no port open.
    bool StartMonitor();
    // Writes `count` bytes, first discarding, when `purgeFirst`, what an earlier write left
    // behind when its time ran out; received bytes stay queued. A frame the driver took whole is
    // never discarded: Linux hands bytes on before they are on the line, so a purge right after
    // a complete write would cut off the frame still going out. Waits at most 2000 ms for the
    // driver to take them; whatever the write achieved, true when a port is open and false
    // otherwise.
    bool Write(const std::uint8_t* bytes, std::size_t count, bool purgeFirst);
    // Reads bytes already queued, never waiting for more. count > 0: exactly count bytes, or
    // none (0) when fewer are queued or the buffer is too small; count 0: every queued byte, as
    // many as the buffer holds. Returns the number of bytes read.
    std::size_t Read(std::span<std::uint8_t> buffer, std::size_t count);
    // The same with `count` bytes of room at `buffer`; count 0 reads nothing here, since the
    // room is unknown.
    std::size_t Read(std::uint8_t* buffer, std::size_t count) {
        return Read(std::span<std::uint8_t>(buffer, buffer ? count : 0), count);
    }
    // Received bytes waiting in the driver; 0 with no port open.
    unsigned BytesQueued();
    // Discards everything waiting in both directions.
    void Purge();
    // Stops the monitor (promptly, abandoning a notification the owner has not yet handled)
    // and closes the port. The result of closing the port; false when none was open.
    bool Close();
    // Changes baud rate, parity, data bits and stop bits (2 means two, anything else one) and
    // keeps every other setting of the port. Used by Open.
    bool Configure(int baud, int parity, int dataBits, int stopBits);

    bool isOpen() const { return m_port != nullptr; }
    // The device path of the last Open, whether it succeeded or not.
    const std::string& devicePath() const { return m_devicePath; }
    // Why the last Open failed; error None after a successful one.
    const platform::SerialOpenFailure& lastFailure() const { return m_lastFailure; }
    // True when the last successful Open could not set the line settings it was given.
    bool settingsRejected() const { return m_settingsRejected; }
    bool isMonitoring() const { return m_monitor != nullptr; }

    static constexpr std::chrono::milliseconds kWriteTimeout{2000};

private:
    PortResolver m_resolver;
    platform::SerialPortFactory m_factory;
    // Serialises the port operations of the owning thread; the monitor never takes it.
    std::recursive_mutex m_portLock;
    std::unique_ptr<platform::SerialPort> m_port;
    std::string m_devicePath;
    platform::SerialOpenFailure m_lastFailure;
    bool m_settingsRejected = false;
    // The last write ran out of time before the driver took all of it.
    bool m_outputLeftBehind = false;
    // Declared after the port: it waits on the port and must end first.
    std::unique_ptr<SerialMonitor> m_monitor;
    NotificationCourier* m_courier;
};

} // namespace controller
