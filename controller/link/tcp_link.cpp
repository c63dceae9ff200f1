#include "controller/link/tcp_link.h"

#include <QTcpSocket>

#include <algorithm>

namespace controller {

TcpLink::TcpLink() {
    m_connectTimer.setSingleShot(true);
    m_retryTimer.setSingleShot(true);
    connect(&m_connectTimer, &QTimer::timeout, this, [this] {
        failed("no answer within " + std::to_string(m_connectLimit.count()) + " ms");
    });
    connect(&m_retryTimer, &QTimer::timeout, this, &TcpLink::connectNow);
}

TcpLink::~TcpLink() {
    // Its signals must not reach a half-destroyed link.
    if (m_socket)
        m_socket->disconnect(this);
}

void TcpLink::setDestination(const std::string& host, std::int32_t destPort) {
    const auto port = static_cast<std::uint16_t>(static_cast<std::uint32_t>(destPort));
    const bool moved = host != m_host || port != m_port;
    m_host = host;
    m_port = port;
    m_info.name = "TCP " + host + ":" + std::to_string(port);
    if (moved && m_wanted) {
        m_nextRetry = m_firstRetry;
        connectNow();
    }
}

bool TcpLink::open() {
    if (m_host.empty() || m_port == 0) {
        m_error = "no terminal address to connect to";
        return false;
    }
    m_wanted = true;
    m_lostTold = false;
    m_nextRetry = m_firstRetry;
    connectNow();
    return true;
}

void TcpLink::close() {
    m_wanted = false;
    m_lostTold = false;
    m_connectTimer.stop();
    m_retryTimer.stop();
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        // The call may come from inside one of the socket's own signals.
        m_socket.release()->deleteLater();
    }
}

bool TcpLink::isOpen() const {
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

bool TcpLink::write(std::span<const std::uint8_t> frame) {
    if (!isOpen()) {
        m_error = "not connected to " + m_host + ":" + std::to_string(m_port);
        return false;
    }
    const qint64 put =
        m_socket->write(reinterpret_cast<const char*>(frame.data()), qint64(frame.size()));
    if (put != qint64(frame.size())) {
        m_error = m_socket->errorString().toStdString();
        return false;
    }
    m_socket->flush();
    return true;
}

void TcpLink::connectNow() {
    m_retryTimer.stop();
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        // setDestination may be called from inside a reply's handling on this socket.
        m_socket.release()->deleteLater();
    }
    m_socket = std::make_unique<QTcpSocket>();
    // Frames are small and each is awaited: send them at once.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(m_socket.get(), &QTcpSocket::connected, this, &TcpLink::connected);
    connect(m_socket.get(), &QTcpSocket::readyRead, this, &TcpLink::readAll);
    connect(m_socket.get(), &QTcpSocket::disconnected, this,
            [this] { failed("the terminal closed the connection"); });
    connect(m_socket.get(), &QTcpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError error) {
                failed(error == QAbstractSocket::RemoteHostClosedError
                           ? "the terminal closed the connection"
                           : m_socket->errorString().toStdString());
            });
    m_connectTimer.start(m_connectLimit);
    m_socket->connectToHost(QString::fromStdString(m_host), m_port);
}

void TcpLink::connected() {
    m_connectTimer.stop();
    m_nextRetry = m_firstRetry;
    if (!m_lostTold)
        return;
    m_lostTold = false;
    if (events())
        events()->linkReturned(*this);
}

void TcpLink::failed(const std::string& reason) {
    if (!m_socket || !m_wanted)
        return;
    m_connectTimer.stop();
    // Whatever is left of this connection is dropped; another is made after a wait.
    m_socket->disconnect(this);
    m_socket->abort();
    m_error = reason;
    m_retryTimer.start(m_nextRetry);
    m_nextRetry = std::min(m_nextRetry * 2, kLongestRetry);
    if (m_lostTold)
        return;
    m_lostTold = true;
    if (events())
        events()->linkLost(*this, reason);
}

void TcpLink::readAll() {
    while (m_socket && m_socket->bytesAvailable() > 0) {
        const QByteArray bytes = m_socket->read(4096);
        if (bytes.isEmpty())
            break;
        if (events())
            events()->linkBytes(*this, std::span<const std::uint8_t>(
                                           reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                           static_cast<std::size_t>(bytes.size())));
    }
}

} // namespace controller
