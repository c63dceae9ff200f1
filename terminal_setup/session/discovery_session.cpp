#include "terminal_setup/session/discovery_session.h"

#include "terminal_setup/protocol/interface_choice.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QUdpSocket>
#include <QVariant>

#include <netinet/in.h>
#include <sys/socket.h>

namespace terminal_setup {

namespace {

// Linux hands a socket the group's datagrams from every interface on which any socket of this
// host joined the group; this one wants only those of the interface it joined on.
void hearJoinedInterfaceOnly(QUdpSocket& socket) {
#if defined(IP_MULTICAST_ALL)
    const int off = 0;
    ::setsockopt(static_cast<int>(socket.socketDescriptor()), IPPROTO_IP, IP_MULTICAST_ALL, &off,
                 sizeof off);
#else
    (void)socket;
#endif
}

bool sendDatagram(QUdpSocket& socket, const TerminalDatagram& datagram, const QHostAddress& to,
                  std::uint16_t port) {
    const qint64 sent = socket.writeDatagram(reinterpret_cast<const char*>(datagram.data()),
                                             static_cast<qint64>(datagram.size()), to, port);
    return sent == static_cast<qint64>(datagram.size());
}

std::uint64_t macKey(const MacBytes& mac) {
    std::uint64_t key = 0;
    for (std::uint8_t byte : mac)
        key = (key << 8) | byte;
    return key;
}

} // namespace

bool DiscoverySession::isListed(const MacBytes& mac) const {
    for (std::size_t row = 0; row < m_table.size(); ++row) {
        if (m_table.at(row).mac() == mac)
            return true;
    }
    return false;
}

DiscoverySession::DiscoverySession(DiscoveryListener& listener, DiscoverySessionOptions options)
    : m_listener(listener), m_port(options.port), m_timing(options.timing),
      m_scanCard(std::move(options.scanCard)) {
    m_scanWindowTimer.setInterval(m_timing.scanWindowTick);
    m_groupPollTimer.setInterval(m_timing.groupPoll);
    m_testPollTimer.setInterval(m_timing.testPoll);
    m_writeCheckTimer.setInterval(m_timing.writeCheckDelay);
    m_writeCheckTimer.setSingleShot(true);
    m_scanWindowTimer.callOnTimeout([this] { tickScanWindow(); });
    m_groupPollTimer.callOnTimeout([this] { pollGroupSocket(); });
    m_testPollTimer.callOnTimeout([this] { pollTestSocket(); });
    m_writeCheckTimer.callOnTimeout([this] { tickWriteCheck(); });
}

DiscoverySession::~DiscoverySession() {
    m_scanWindowTimer.stop();
    m_groupPollTimer.stop();
    m_testPollTimer.stop();
    m_writeCheckTimer.stop();
    close();
    closeTestSocket();
}

void DiscoverySession::start(const NetworkInterface* card, const QString& groupAddress) {
    m_scanWindowTimer.start();
    m_groupPollTimer.start();
    open(card, groupAddress);
}

DiscoverySession::JoinedInterface
DiscoverySession::joinedInterfaceOf(const NetworkInterface& card) {
    return {card.name, card.index, card.address()};
}

std::optional<GroupSocketError> DiscoverySession::open(const NetworkInterface* card,
                                                       const QString& groupAddress) {
    using Kind = GroupSocketError::Kind;
    close();
    m_groupText = groupAddress;
    if (card)
        m_lastCard = *card;
    if (!card)
        return GroupSocketError{Kind::NoInterface, {}, {}};
    if (!card->up || !card->running)
        return GroupSocketError{Kind::InterfaceDown, card->name, {}};
    if (card->ipv4.empty())
        return GroupSocketError{Kind::NoAddress, card->name, {}};
    const QHostAddress group(groupAddress);
    if (group.protocol() != QAbstractSocket::IPv4Protocol || !group.isMulticast())
        return GroupSocketError{Kind::Other, card->name,
                                "\"" + groupAddress.toStdString() +
                                    "\" is not an IPv4 multicast group."};

    // Linux hands group traffic only to sockets bound to the wildcard address or to the group,
    // and the terminal simulator listens on the same port on the same host, hence the shared
    // wildcard binding.
    auto socket = std::make_unique<QUdpSocket>();
    if (!socket->bind(QHostAddress::AnyIPv4, m_port,
                      QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)) {
        if (socket->error() == QAbstractSocket::AddressInUseError)
            return GroupSocketError{Kind::PortInUse, card->name, {}};
        return GroupSocketError{Kind::Other, card->name,
                                "UDP port " + std::to_string(m_port) + ": " +
                                    socket->errorString().toStdString()};
    }
    const QNetworkInterface system =
        QNetworkInterface::interfaceFromName(QString::fromStdString(card->name));
    if (!system.isValid())
        return GroupSocketError{Kind::InterfaceDown, card->name, {}};
    if (!socket->joinMulticastGroup(group, system))
        return GroupSocketError{Kind::Other, card->name,
                                "Cannot join " + groupAddress.toStdString() + " on " + card->name +
                                    ": " + socket->errorString().toStdString()};
    // Requests leave where the answers are expected to come back.
    socket->setMulticastInterface(system);
    hearJoinedInterfaceOnly(*socket);
    socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption,
                            QVariant(kGroupReceiveBufferBytes));

    m_groupAddress = group;
    m_joined = joinedInterfaceOf(*card);
    m_group = std::move(socket);
    return std::nullopt;
}

void DiscoverySession::close() {
    m_group.reset();
}

bool DiscoverySession::scan() {
    std::optional<NetworkInterface> card = m_scanCard ? m_scanCard() : m_lastCard;
    return scan(card ? &*card : nullptr);
}

bool DiscoverySession::scan(const NetworkInterface* card) {
    if (card)
        m_lastCard = *card;
    const bool reopen =
        !m_group || !card || !card->up || !card->running || !(joinedInterfaceOf(*card) == m_joined);
    if (reopen) {
        if (const auto error = open(card, m_groupText)) {
            m_listener.groupSocketFailed(*error);
            return false;
        }
    }
    const TerminalDatagram request = scanRequest();
    emptyTable();
    sendDatagram(*m_group, request, m_groupAddress, m_port);
    m_scanWindow.open();
    m_listener.scanStarted();
    return true;
}

TestOutcome DiscoverySession::test(const QString& destAddress, unsigned hostPort,
                                   const std::vector<NetworkInterface>& localInterfaces) {
    if (isUnusableTestDestination(destAddress.toStdString(), localInterfaces)) {
        m_listener.testFailed(TestOutcome::RefusedDestination);
        return TestOutcome::RefusedDestination;
    }
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
    const QHostAddress destination(destAddress);
    if (bound)
        sent = sendDatagram(*socket, request, destination, destPort);
    if (bound)
        m_test = std::move(socket);

    m_scanWindow.open();
    m_testPollTimer.start();
    m_listener.scanStarted();
    const TestOutcome outcome = !bound ? TestOutcome::PortUnavailable
                                : sent ? TestOutcome::Sent
                                       : TestOutcome::SendFailed;
    // Told last: a listener that shows a message runs its own event loop, and the ticks it lets
    // through must find the scan window already open.
    if (outcome != TestOutcome::Sent)
        m_listener.testFailed(outcome);
    return outcome;
}

void DiscoverySession::tickScanWindow() {
    if (!m_scanWindow.tick())
        return;
    closeTestSocket();
    m_listener.scanOver();
    // The scan window closed without a report of the written terminal.
    if (m_pendingCheck && m_pendingCheck->scanned)
        finishCheck(nullptr);
}

void DiscoverySession::pollGroupSocket() {
    drain(m_group, kGroupReceiveLimit);
}

void DiscoverySession::pollTestSocket() {
    drain(m_test, kTestReceiveLimit);
}

bool DiscoverySession::sendToGroup(const TerminalDatagram& datagram) {
    return m_group && sendDatagram(*m_group, datagram, m_groupAddress, m_port);
}

std::uint16_t DiscoverySession::testSocketPort() const {
    return m_test ? m_test->localPort() : 0;
}

void DiscoverySession::emptyTable() {
    m_table.clear();
    m_dropped.clear();
    m_listener.terminalsCleared();
}

void DiscoverySession::drain(std::unique_ptr<QUdpSocket>& slot, std::size_t receiveLimit) {
    QUdpSocket* const socket = slot.get();
    // The listener may close the socket from inside terminalAdded(); stop reading then.
    for (int taken = 0; taken < kMaxDatagramsPerPoll && slot.get() == socket && socket &&
                        socket->hasPendingDatagrams();
         ++taken) {
        // One byte more than the limit tells a datagram that is too large from one that just
        // fits. The datagram also says which interface it came in on.
        const QNetworkDatagram datagram =
            socket->receiveDatagram(static_cast<qint64>(receiveLimit + 1));
        if (!datagram.isValid())
            break;
        const QByteArray data = datagram.data();
        const auto length = static_cast<std::size_t>(data.size());
        if (length > receiveLimit)
            continue;
        const auto record = acceptReport(
            std::span(reinterpret_cast<const std::uint8_t*>(data.constData()), length));
        if (!record)
            continue;
        if (m_table.append(*record, static_cast<int>(datagram.interfaceIndex())))
            stored(*record);
        else if (m_dropped.size() < kMaxDroppedCounted && !isListed(record->mac()))
            m_dropped.insert(macKey(record->mac()));
    }
}

void DiscoverySession::stored(const TerminalRecord& record) {
    m_listener.terminalAdded(m_table.size() - 1);
    if (m_pendingCheck && m_pendingCheck->scanned &&
        isWrittenTerminal(m_pendingCheck->sent, m_pendingCheck->before, record)) {
        const TerminalRecord answer = record;
        finishCheck(&answer);
    }
}

void DiscoverySession::closeTestSocket() {
    m_test.reset();
}

} // namespace terminal_setup
