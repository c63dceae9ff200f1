#pragma once

#include "controller/link/network_transports.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

class QTcpSocket;

namespace controller {

// A TCP connection to a serial-to-Ethernet terminal in its "TCP  Server" mode as a Link: the
// terminal listens on its port and forwards the byte stream to its serial line. Frames go out as
// a byte stream and replies come back split and joined anyhow. Nothing here blocks: the
// connection is made in the background, with a time limit, and made again by itself when it is
// lost (1, 2, 4 ... at most 30 s apart). The owner hears once that it is lost (or that the first
// attempt failed) and once that it is back.
class TcpLink : public QObject, public NetworkLink {
public:
    TcpLink();
    ~TcpLink() override;

    // Where open() connects (the port's low 16 bits); a connection under way is made anew to
    // the new place.
    void setDestination(const std::string& host, std::int32_t port) override;

    // Starts connecting. False only for a destination that cannot be connected to at all (no
    // host); a terminal that does not answer is reported as lost and tried again.
    bool open() override;
    // Closes the connection and stops trying.
    void close() override;
    // Connected now.
    bool isOpen() const override;
    // Refused while not connected.
    bool write(std::span<const std::uint8_t> frame) override;
    const LinkInfo& info() const override { return m_info; }
    std::string lastError() const override { return m_error; }
    // Lost, and trying to connect again.
    bool awaitingReturn() const override { return m_wanted && m_lostTold; }
    bool ready() const override { return isOpen(); }

    // For tests: how long a connection attempt may take, and the first wait before another.
    void setTimes(std::chrono::milliseconds connectLimit, std::chrono::milliseconds firstRetry) {
        m_connectLimit = connectLimit;
        m_firstRetry = firstRetry;
    }

    static constexpr std::chrono::milliseconds kConnectLimit{3000};
    static constexpr std::chrono::milliseconds kFirstRetry{1000};
    static constexpr std::chrono::milliseconds kLongestRetry{30000};

private:
    void connectNow();
    void connected();
    void failed(const std::string& reason);
    void readAll();

    std::unique_ptr<QTcpSocket> m_socket;
    QTimer m_connectTimer;
    QTimer m_retryTimer;
    LinkInfo m_info{"TCP", "tcp", true, Framing::Stream};
    std::string m_host;
    std::uint16_t m_port = 0;
    std::string m_error;
    bool m_wanted = false;
    bool m_lostTold = false;
    std::chrono::milliseconds m_connectLimit{kConnectLimit};
    std::chrono::milliseconds m_firstRetry{kFirstRetry};
    std::chrono::milliseconds m_nextRetry{kFirstRetry};
};

} // namespace controller
