#include "terminal_setup/protocol/terminal_discovery.h"

#include <QNetworkInterface>
#include <QUdpSocket>
#include <QVariant>

#include <vector>

namespace terminal_setup {

namespace {

// The interface that carries `address`; an invalid interface when none does.
QNetworkInterface interfaceOwning(const QHostAddress& address) {
    if (address.isNull())
        return {};
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& candidate : interfaces) {
        const auto entries = candidate.addressEntries();
        for (const QNetworkAddressEntry& entry : entries) {
            if (entry.ip().isEqual(address, QHostAddress::ConvertV4MappedToIPv4))
                return candidate;
        }
    }
    return {};
}

bool sendDatagram(QUdpSocket& socket, const TerminalDatagram& datagram, const QHostAddress& to,
                  std::uint16_t port) {
    const qint64 sent = socket.writeDatagram(reinterpret_cast<const char*>(datagram.data()),
                                             static_cast<qint64>(datagram.size()), to, port);
    return sent == static_cast<qint64>(datagram.size());
}

} // namespace

TerminalDiscovery::TerminalDiscovery(DiscoveryListener& listener, platform::PromptSink& prompts,
                                     std::uint16_t port)
    : m_listener(listener), m_prompts(prompts), m_port(port) {}

TerminalDiscovery::~TerminalDiscovery() {
    close();
    closeTestSocket();
}

bool TerminalDiscovery::open(const QString& hostAddress, const QString& groupAddress) {
    close();
    const QHostAddress group(groupAddress);
    if (group.protocol() != QAbstractSocket::IPv4Protocol || !group.isMulticast())
        return false;

    // Linux hands group traffic only to sockets bound to the wildcard address or to the group,
    // and the terminal simulator listens on the same port on the same host, hence the shared
    // wildcard binding.
    auto socket = std::make_unique<QUdpSocket>();
    if (!socket->bind(QHostAddress::AnyIPv4, m_port,
                      QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint))
        return false;
    const QNetworkInterface hostInterface = interfaceOwning(QHostAddress(hostAddress));
    const bool joined = hostInterface.isValid() ? socket->joinMulticastGroup(group, hostInterface)
                                                : socket->joinMulticastGroup(group);
    if (!joined)
        return false;
    // Requests leave where the answers are expected to come back.
    if (hostInterface.isValid())
        socket->setMulticastInterface(hostInterface);
    socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                            QVariant(kGroupReceiveBufferBytes));

    m_groupAddress = group;
    m_group = std::move(socket);
    return true;
}

void TerminalDiscovery::close() {
    m_group.reset();
}

void TerminalDiscovery::scan() {
    const TerminalDatagram request = scanRequest();
    emptyTable();
    if (m_group)
        sendDatagram(*m_group, request, m_groupAddress, m_port);
    m_listener.scanButtonsEnabled(false);
    m_scanWindow.open();
}

void TerminalDiscovery::test(const QString& destAddress, unsigned hostPort) {
    const auto localPort = static_cast<std::uint16_t>(hostPort);
    const auto destPort = static_cast<std::uint16_t>(hostPort - 1);
    const TerminalDatagram request = scanRequest();

    closeTestSocket();
    auto socket = std::make_unique<QUdpSocket>();
    // No address sharing: when port P is taken, the Test fails visibly instead of quietly
    // sending from a port the terminal would not answer to.
    const bool bound = socket->bind(QHostAddress::AnyIPv4, localPort);
    emptyTable();

    bool sent = false;
    QHostAddress destination;
    if (bound && destination.setAddress(destAddress) &&
        destination.protocol() == QAbstractSocket::IPv4Protocol)
        sent = sendDatagram(*socket, request, destination, destPort);
    if (bound)
        m_test = std::move(socket);

    m_listener.scanButtonsEnabled(false);
    m_scanWindow.open();
    // Shown last: the message box runs its own event loop, and the ticks it lets through must
    // find the scan window already open.
    if (!sent)
        m_prompts.show(
            platform::Prompt::box("提示", "UDP send to error!", platform::PromptIcon::Information));
}

void TerminalDiscovery::tickScanWindow() {
    if (m_scanWindow.tick()) {
        closeTestSocket();
        m_listener.scanButtonsEnabled(true);
    }
}

void TerminalDiscovery::pollGroupSocket() {
    drain(m_group, kGroupReceiveLimit);
}

void TerminalDiscovery::pollTestSocket() {
    drain(m_test, kTestReceiveLimit);
}

bool TerminalDiscovery::sendToGroup(const TerminalDatagram& datagram) {
    return m_group && sendDatagram(*m_group, datagram, m_groupAddress, m_port);
}

std::uint16_t TerminalDiscovery::testSocketPort() const {
    return m_test ? m_test->localPort() : 0;
}

void TerminalDiscovery::emptyTable() {
    m_table.clear();
    m_listener.terminalsCleared();
}

void TerminalDiscovery::drain(std::unique_ptr<QUdpSocket>& slot, std::size_t receiveLimit) {
    // One byte more than the limit tells a datagram that is too large from one that just fits.
    std::vector<std::uint8_t> buffer(receiveLimit + 1);
    QUdpSocket* const socket = slot.get();
    // The listener may close the socket from inside terminalAdded(); stop reading then.
    for (int taken = 0; taken < kMaxDatagramsPerPoll && slot.get() == socket && socket &&
                        socket->hasPendingDatagrams();
         ++taken) {
        const qint64 received = socket->readDatagram(reinterpret_cast<char*>(buffer.data()),
                                                     static_cast<qint64>(buffer.size()));
        if (received < 0)
            break;
        const auto length = static_cast<std::size_t>(received);
        if (length > receiveLimit)
            continue;
        const auto record = acceptReport(std::span(buffer.data(), length));
        if (record && m_table.append(*record))
            m_listener.terminalAdded(m_table.size() - 1);
    }
}

void TerminalDiscovery::closeTestSocket() {
    m_test.reset();
}

} // namespace terminal_setup
