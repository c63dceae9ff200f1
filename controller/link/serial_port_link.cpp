#include "controller/link/serial_port_link.h"

#include "controller/link/serial_events.h"

#include <vector>

namespace controller {

namespace {

// Line settings of every port the link opens: no parity, 8 data bits, 1 stop bit.
constexpr int kParity = 0;
constexpr int kDataBits = 8;
constexpr int kStopBits = 1;

// Bytes read per notification at most. The monitor notifies again at once when more are
// waiting, so a device that never stops talking cannot hold the thread in one drain.
constexpr std::size_t kMaxDrainBytes = 4096;

} // namespace

SerialPortLink::SerialPortLink(SerialLink::PortResolver resolver,
                               platform::SerialPortFactory factory)
    : m_serial(std::move(resolver), std::move(factory)) {
    m_presence.setInterval(kPresencePeriod);
    connect(&m_presence, &QTimer::timeout, this, &SerialPortLink::onPresenceTick);
}

SerialPortLink::~SerialPortLink() {
    m_presence.stop();
    // The monitor thread must be gone before the object it notifies.
    m_serial.Close();
}

void SerialPortLink::setPort(const std::string& portName, int baud) {
    m_info.name = portName;
    m_baud = baud;
}

bool SerialPortLink::open() {
    // A failure leaves a lost device awaited: it may still come back.
    if (m_info.name.empty() ||
        !m_serial.Open(this, m_info.name, m_baud, kParity, kDataBits, kStopBits))
        return false;
    m_serial.SetOwner(this);
    m_serial.StartMonitor();
    m_serial.Purge();
    m_openNode = platform::findDeviceNode(m_serial.devicePath());
    m_lost.reset();
    return true;
}

void SerialPortLink::close() {
    m_serial.Close();
    m_lost.reset();
}

bool SerialPortLink::write(std::span<const std::uint8_t> frame) {
    return m_serial.Write(frame.data(), frame.size(), true);
}

std::string SerialPortLink::lastError() const {
    return m_serial.isOpen() ? std::string() : "the port is not open";
}

bool SerialPortLink::event(QEvent* e) {
    if (e->type() == static_cast<QEvent::Type>(kUmSerialReceive)) {
        receive();
        return true;
    }
    if (e->type() == static_cast<QEvent::Type>(kUmSerialEvent)) {
        // Of the other port events only the device's loss matters here.
        if (static_cast<SerialNotification*>(e)->wParam() & platform::serial_event::kDeviceLost)
            lose();
        return true;
    }
    return QObject::event(e);
}

void SerialPortLink::receive() {
    std::vector<std::uint8_t> batch;
    std::uint8_t byte = 0;
    while (batch.size() < kMaxDrainBytes && m_serial.Read(&byte, 1) == 1)
        batch.push_back(byte);
    if (events())
        events()->linkBytes(*this, batch);
}

void SerialPortLink::lose() {
    if (!m_serial.isOpen())
        return;
    const std::string path = m_serial.devicePath();
    m_serial.Close();
    m_lost = Lost{path, m_openNode, false};
    if (events())
        events()->linkLost(*this, "the serial device " + path + " went away");
}

void SerialPortLink::watchPresence() {
    m_presence.start();
}

void SerialPortLink::onPresenceTick() {
    if (m_serial.isOpen()) {
        // A device node that is gone, or is now another device, has left the open port.
        const auto node = platform::findDeviceNode(m_serial.devicePath());
        if (!node || (m_openNode && node != m_openNode)) {
            lose();
            if (m_lost && !node)
                m_lost->seenAbsent = true;
        }
        return;
    }
    if (!m_lost)
        return;
    const auto node = platform::findDeviceNode(m_lost->path);
    if (!node) {
        m_lost->seenAbsent = true;
        return;
    }
    // The same node, never gone nor made anew: the device has not come back, it just never
    // answers. (A node made anew can return between two ticks, so absence alone is not the test.)
    if (!m_lost->seenAbsent && m_lost->node && node->sameIncarnation(*m_lost->node))
        return;
    // Same port, same rate; a device that is back but cannot be opened yet is tried again at the
    // next tick.
    if (!open())
        return;
    if (events())
        events()->linkReturned(*this);
}

} // namespace controller
