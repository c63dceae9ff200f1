#include "controller/link/net_link.h"

#include <QNetworkDatagram>
#include <QUdpSocket>
#include <array>
#include <gtest/gtest.h>
#include <thread>

using controller::NetLink;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

namespace {

// A socket on 127.0.0.1 at a port the system picks, playing the terminal.
class LoopbackPeer {
public:
    explicit LoopbackPeer(quint16 port = 0) {
        m_ok = m_socket.bind(QHostAddress(QHostAddress::LocalHost), port,
                             QAbstractSocket::DontShareAddress);
    }
    bool ok() const { return m_ok; }
    quint16 port() const { return m_socket.localPort(); }
    void sendTo(quint16 port, const Bytes& bytes) {
        m_socket.writeDatagram(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()),
                               QHostAddress(QHostAddress::LocalHost), port);
    }
    // The next datagram, or nothing when none arrives in time.
    std::optional<Bytes> receive(std::chrono::milliseconds timeout = 1000ms) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!m_socket.hasPendingDatagrams()) {
            if (std::chrono::steady_clock::now() >= deadline)
                return std::nullopt;
            std::this_thread::sleep_for(2ms);
        }
        const QByteArray data = m_socket.receiveDatagram().data();
        return Bytes(data.begin(), data.end());
    }

private:
    QUdpSocket m_socket;
    bool m_ok = false;
};

quint16 freePort() {
    QUdpSocket probe;
    probe.bind(QHostAddress(QHostAddress::AnyIPv4), 0);
    return probe.localPort();
}

// Polls until a datagram is taken or the time is up.
int pollWithin(NetLink& link, std::array<std::uint8_t, NetLink::kReceiveSize>& buffer,
               std::chrono::milliseconds timeout = 1000ms) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int got = link.Poll(buffer);
    while (got < 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(2ms);
        got = link.Poll(buffer);
    }
    return got;
}

class NetLinkOnLoopback : public ::testing::Test {
protected:
    bool send(const Bytes& frame) {
        return link.Send(frame.data(), frame.size(), destIp, destPort);
    }

    LoopbackPeer peer;
    std::string destIp = "127.0.0.1";
    std::int32_t destPort = peer.port();
    NetLink link;
    std::array<std::uint8_t, NetLink::kReceiveSize> buffer{};
};

TEST_F(NetLinkOnLoopback, hostPortTakenByAnotherSocketFailsCreateAndEverySend) {
    QUdpSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress(QHostAddress::AnyIPv4), 0));
    EXPECT_FALSE(link.Create(holder.localPort()));
    EXPECT_FALSE(link.isCreated());
    EXPECT_EQ(link.Poll(buffer), -1);
    EXPECT_FALSE(send({0xBA, 0x01}));
    EXPECT_EQ(peer.receive(100ms), std::nullopt);
}

TEST_F(NetLinkOnLoopback, onlyTheLow16BitsOfHostPortCount) {
    const quint16 port = freePort();
    ASSERT_TRUE(link.Create(port + 65536));
    EXPECT_EQ(link.localPort(), port);
}

class DestPortWraps : public NetLinkOnLoopback, public ::testing::WithParamInterface<int> {};

TEST_P(DestPortWraps, toItsLow16Bits) {
    ASSERT_TRUE(link.Create(0));
    destPort = peer.port() + GetParam();
    const Bytes frame{0xBA, 0x01, 0x01, 0x05, 0x02, 0x03, 0xC6};
    ASSERT_TRUE(send(frame));
    EXPECT_EQ(peer.receive(), frame);
}

INSTANTIATE_TEST_SUITE_P(Offsets, DestPortWraps, ::testing::Values(65536, 3 * 65536, -65536));

TEST_F(NetLinkOnLoopback, destPort70000GoesTo4464) {
    LoopbackPeer at4464(4464);
    if (!at4464.ok())
        GTEST_SKIP() << "port 4464 is in use on this machine";
    ASSERT_TRUE(link.Create(0));
    destPort = 70000;
    const Bytes frame{0xBA, 0xFF, 0x02, 0x03, 0x00, 0xBE};
    ASSERT_TRUE(send(frame));
    EXPECT_EQ(at4464.receive(), frame);
}

TEST_F(NetLinkOnLoopback, destinationChangesTakeEffectAtTheNextSend) {
    LoopbackPeer other;
    ASSERT_TRUE(link.Create(0));
    ASSERT_TRUE(send({0x01}));
    destPort = other.port();
    ASSERT_TRUE(send({0x02}));
    EXPECT_EQ(peer.receive(), Bytes{0x01});
    EXPECT_EQ(other.receive(), Bytes{0x02});
    EXPECT_EQ(peer.receive(50ms), std::nullopt);
}

TEST_F(NetLinkOnLoopback, pollTakesOneDatagramFromAnySenderWithoutWaitingAndTellsWhoSentIt) {
    ASSERT_TRUE(link.Create(0));
    EXPECT_EQ(link.Poll(buffer), -1);
    EXPECT_EQ(link.lastSender(), "");
    LoopbackPeer stranger;
    peer.sendTo(link.localPort(), {0xBA, 0x01, 0x01});
    ASSERT_EQ(pollWithin(link, buffer), 3);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 3), (Bytes{0xBA, 0x01, 0x01}));
    EXPECT_EQ(link.lastSender(), "127.0.0.1:" + std::to_string(peer.port()));
    stranger.sendTo(link.localPort(), {0x96, 0x02});
    ASSERT_EQ(pollWithin(link, buffer), 2);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 2), (Bytes{0x96, 0x02}));
    EXPECT_EQ(link.lastSender(), "127.0.0.1:" + std::to_string(stranger.port()));
    EXPECT_EQ(link.Poll(buffer), -1);
}

TEST_F(NetLinkOnLoopback, aDatagramLongerThan1024BytesIsLostAndTheNextOneComesThrough) {
    ASSERT_TRUE(link.Create(0));
    peer.sendTo(link.localPort(), Bytes(1025, 0xAA));
    peer.sendTo(link.localPort(), Bytes(1024, 0x55));
    peer.sendTo(link.localPort(), Bytes{});
    std::this_thread::sleep_for(100ms); // loopback delivers at once; polls must not retry here
    EXPECT_EQ(link.Poll(buffer), -1);
    ASSERT_EQ(link.Poll(buffer), 1024);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.end()), Bytes(1024, 0x55));
    EXPECT_EQ(link.Poll(buffer), 0);
    EXPECT_EQ(link.Poll(buffer), -1);
}

class FailedSend : public NetLinkOnLoopback, public ::testing::WithParamInterface<std::string> {};

TEST_P(FailedSend, sendsNothingAndSaysSo) {
    ASSERT_TRUE(link.Create(0));
    destIp = GetParam();
    EXPECT_FALSE(send({0xBA, 0x01}));
    EXPECT_EQ(peer.receive(50ms), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(UnusableDestIp, FailedSend,
                         ::testing::Values("", "1", "127.1", "0x7f.0.0.1", "300.0.0.1",
                                           " 127.0.0.1", "not an address", "255.255.255.255",
                                           "0.0.0.0"));

TEST_F(NetLinkOnLoopback, aSendTheSocketRefusesFailsLikeABadAddress) {
    ASSERT_TRUE(link.Create(0));
    EXPECT_FALSE(send(Bytes(70000, 0x00)));
    EXPECT_TRUE(send({0xBA}));
    EXPECT_EQ(peer.receive(), Bytes{0xBA});
}

} // namespace
