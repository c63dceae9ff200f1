#include "controller/link/serial_link.h"

#include "controller/link/notification_courier.h"
#include "controller/link/serial_monitor.h"

#include <algorithm>

namespace controller {

SerialLink::SerialLink(PortResolver resolver, platform::SerialPortFactory factory)
    : m_resolver(std::move(resolver)), m_factory(std::move(factory)),
      m_courier(new NotificationCourier) {}

SerialLink::~SerialLink() {
    Close();
    m_courier->setOwner(nullptr);
    // Destroyed from inside the owner's handler, the courier is still on the call stack.
    if (m_courier->delivering())
        m_courier->deleteLater();
    else
        delete m_courier;
}

bool SerialLink::Open(QObject* owner, const std::string& portName, int baud, int parity,
                      int dataBits, int stopBits) {
    Close();
    SetOwner(owner);
    std::lock_guard lock(m_portLock);
    m_settingsRejected = false;
    m_devicePath = m_resolver ? m_resolver(portName) : portName;
    platform::SerialOpenResult opened;
    if (m_devicePath.empty())
        opened.failure.error = platform::SerialOpenError::NotPresent;
    else
        opened = m_factory ? m_factory(m_devicePath) : platform::openSerialPort(m_devicePath);
    m_port = std::move(opened.port);
    m_lastFailure = m_port ? platform::SerialOpenFailure{} : opened.failure;
    if (!m_port) {
        if (m_lastFailure.error == platform::SerialOpenError::None)
            m_lastFailure.error = platform::SerialOpenError::SetupFailed;
        return false;
    }
    m_settingsRejected = !Configure(baud, parity, dataBits, stopBits);
    m_port->purge(true, true);
    m_outputLeftBehind = false;
    return true;
}

void SerialLink::SetOwner(QObject* owner) {
    m_courier->setOwner(owner);
}

bool SerialLink::StartMonitor() {
    if (!m_port)
        return false;
    if (m_monitor)
        return true;
    auto monitor = std::make_unique<SerialMonitor>(*m_port, *m_courier);
    if (!monitor->start())
        return false;
    m_monitor = std::move(monitor);
    return true;
}

bool SerialLink::Write(const std::uint8_t* bytes, std::size_t count, bool purgeFirst) {
    std::lock_guard lock(m_portLock);
    if (!m_port)
        return false;
    if (purgeFirst && m_outputLeftBehind)
        m_port->purge(false, true);
    if (bytes != nullptr && count > 0) {
        const std::ptrdiff_t taken = m_port->write(bytes, count, kWriteTimeout);
        m_outputLeftBehind = taken < static_cast<std::ptrdiff_t>(count);
    }
    return true;
}

std::size_t SerialLink::Read(std::span<std::uint8_t> buffer, std::size_t count) {
    std::lock_guard lock(m_portLock);
    if (!m_port)
        return 0;
    const std::size_t queued = m_port->bytesQueued();
    std::size_t wanted = count;
    if (count == 0)
        wanted = std::min(queued, buffer.size());
    else if (queued < count || count > buffer.size())
        return 0;
    if (wanted == 0)
        return 0;
    const std::ptrdiff_t got = m_port->read(buffer.data(), wanted);
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

unsigned SerialLink::BytesQueued() {
    std::lock_guard lock(m_portLock);
    if (!m_port)
        return 0;
    return static_cast<unsigned>(m_port->bytesQueued());
}

void SerialLink::Purge() {
    std::lock_guard lock(m_portLock);
    if (m_port)
        m_port->purge(true, true);
}

bool SerialLink::Close() {
    if (m_monitor) {
        m_monitor->stop();
        m_monitor.reset();
    }
    std::lock_guard lock(m_portLock);
    if (!m_port)
        return false;
    const bool closed = m_port->close();
    m_port.reset();
    return closed;
}

bool SerialLink::Configure(int baud, int parity, int dataBits, int stopBits) {
    std::lock_guard lock(m_portLock);
    if (!m_port || baud <= 0)
        return false;
    platform::SerialParams params;
    if (!m_port->getParams(params))
        return false;
    params.baud = static_cast<std::uint32_t>(baud);
    params.parity = parity;
    params.dataBits = dataBits;
    params.stopBits = stopBits == 2 ? platform::kTwoStopBits : platform::kOneStopBit;
    return m_port->setParams(params);
}

} // namespace controller
