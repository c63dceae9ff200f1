// Every link keeps one contract: it opens, writes a frame whole, hands on what the device says
// (a stream split and joined anyhow, a datagram whole), and tells when it is lost and back. Each
// case plays the device at the other end: a pseudo-terminal's master, a UDP socket, a TCP server,
// all on this machine.
#include "controller/link/serial_port_link.h"
#include "controller/link/tcp_link.h"
#include "controller/link/udp_link.h"
#include "tests/controller_link/recording_owner.h"
#include "tests/support/pty_pair.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace controller {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test_support::processEventsUntil;

const Bytes kSwitch{0xBA, 0x01, 0x01, 0x04, 0xA6, 0x04, 0x02, 0x6C};
const Bytes kSaved{0xBA, 0x01, 0x11, 0x02, 0x00, 0xCE};

class Recorder : public LinkEvents {
public:
    void linkBytes(Link&, std::span<const std::uint8_t> bytes) override {
        if (!bytes.empty())
            chunks.emplace_back(bytes.begin(), bytes.end());
    }
    void linkLost(Link&, const std::string& why) override { lost.push_back(why); }
    void linkReturned(Link&) override { ++returned; }

    Bytes all() const {
        Bytes joined;
        for (const Bytes& c : chunks)
            joined.insert(joined.end(), c.begin(), c.end());
        return joined;
    }

    std::vector<Bytes> chunks;
    std::vector<std::string> lost;
    int returned = 0;
};

// The device's end of one kind of link.
class Device {
public:
    virtual ~Device() = default;
    virtual Link& link() = 0;
    // What the link wrote, once `count` bytes are in.
    virtual Bytes received(std::size_t count) = 0;
    virtual void send(const Bytes& bytes) = 0;
    // Goes away and comes back; false for a link that has no such thing.
    virtual bool goAway() { return false; }
    virtual void comeBack() {}
};

class SerialDevice : public Device {
public:
    SerialDevice() : m_link({}, {}) { m_link.setPort(m_pty.slavePath(), 9600); }
    Link& link() override { return m_link; }
    Bytes received(std::size_t count) override { return m_pty.read(count); }
    void send(const Bytes& bytes) override { m_pty.write(bytes); }
    // An unplugged adapter: the line hangs up. Its return is the session's tests' business.
    bool goAway() override {
        m_pty.closeMaster();
        return true;
    }

private:
    test_support::PtyPair m_pty;
    SerialPortLink m_link;
};

class UdpDevice : public Device {
public:
    UdpDevice() {
        m_socket.bind(QHostAddress::LocalHost, 0);
        m_link.setLocalPort(0);
        m_link.setDestination("127.0.0.1", m_socket.localPort());
        m_link.setPollPeriod(std::chrono::milliseconds(5));
    }
    Link& link() override { return m_link; }
    Bytes received(std::size_t count) override {
        Bytes bytes;
        processEventsUntil([&] {
            while (m_socket.hasPendingDatagrams()) {
                QByteArray datagram(static_cast<int>(m_socket.pendingDatagramSize()), 0);
                m_socket.readDatagram(datagram.data(), datagram.size());
                bytes.insert(bytes.end(), datagram.begin(), datagram.end());
            }
            return bytes.size() >= count;
        });
        return bytes;
    }
    void send(const Bytes& bytes) override {
        m_socket.writeDatagram(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()),
                               QHostAddress::LocalHost, m_link.localPort());
    }

private:
    QUdpSocket m_socket;
    UdpLink m_link;
};

class TcpDevice : public Device {
public:
    TcpDevice() {
        m_server.listen(QHostAddress::LocalHost, 0);
        m_port = m_server.serverPort();
        QObject::connect(&m_server, &QTcpServer::newConnection,
                         [this] { m_client = m_server.nextPendingConnection(); });
        m_link.setTimes(std::chrono::milliseconds(500), std::chrono::milliseconds(20));
        m_link.setDestination("127.0.0.1", m_port);
    }
    Link& link() override { return m_link; }
    Bytes received(std::size_t count) override {
        Bytes bytes;
        processEventsUntil([&] {
            if (m_client) {
                const QByteArray got = m_client->readAll();
                bytes.insert(bytes.end(), got.begin(), got.end());
            }
            return bytes.size() >= count;
        });
        return bytes;
    }
    void send(const Bytes& bytes) override {
        processEventsUntil([&] { return m_client != nullptr; });
        m_client->write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
        m_client->flush();
    }
    // The terminal closes the connection and stops listening for a while.
    bool goAway() override {
        m_server.close();
        m_client->close();
        m_client = nullptr;
        return true;
    }
    void comeBack() override { m_server.listen(QHostAddress::LocalHost, m_port); }

private:
    QTcpServer m_server;
    QTcpSocket* m_client = nullptr;
    quint16 m_port = 0;
    TcpLink m_link;
};

struct LinkCase {
    const char* name;
    std::function<std::unique_ptr<Device>()> make;
    Framing framing;
    bool returns; // comes back by itself after goAway() and comeBack()
};

class LinkContract : public testing::TestWithParam<LinkCase> {
protected:
    void SetUp() override {
        device = GetParam().make();
        device->link().setEvents(&events);
        ASSERT_TRUE(device->link().open()) << device->link().lastError();
        ASSERT_TRUE(processEventsUntil([&] { return device->link().ready(); }));
    }
    void TearDown() override { device->link().setEvents(nullptr); }

    Recorder events;
    std::unique_ptr<Device> device;
};

TEST_P(LinkContract, WritesFramesWholeAndHandsOnWhatTheDeviceSays) {
    Link& link = device->link();
    EXPECT_EQ(link.info().framing, GetParam().framing);
    ASSERT_TRUE(link.write(kSwitch));
    EXPECT_EQ(device->received(kSwitch.size()), kSwitch);

    // Two replies joined, then one split in two: a stream hands on every byte in order, a
    // datagram link each datagram whole.
    Bytes joined = kSwitch;
    joined.insert(joined.end(), kSaved.begin(), kSaved.end());
    device->send(joined);
    ASSERT_TRUE(processEventsUntil([&] { return events.all().size() == joined.size(); }));
    device->send(Bytes(kSwitch.begin(), kSwitch.begin() + 3));
    if (GetParam().framing == Framing::Stream) {
        ASSERT_TRUE(processEventsUntil([&] { return events.all().size() == joined.size() + 3; }));
    }
    device->send(Bytes(kSwitch.begin() + 3, kSwitch.end()));
    ASSERT_TRUE(
        processEventsUntil([&] { return events.all().size() == joined.size() + kSwitch.size(); }));
    Bytes expected = joined;
    expected.insert(expected.end(), kSwitch.begin(), kSwitch.end());
    EXPECT_EQ(events.all(), expected);
    if (GetParam().framing == Framing::Datagram) {
        EXPECT_EQ(events.chunks.front(), joined);
    }
}

TEST_P(LinkContract, TellsOnceWhenLostAndWhenBack) {
    if (!device->goAway())
        GTEST_SKIP() << GetParam().name << " is never lost";
    ASSERT_TRUE(processEventsUntil([&] { return !events.lost.empty(); }, std::chrono::seconds(1)));
    EXPECT_FALSE(device->link().ready());
    EXPECT_FALSE(device->link().write(kSwitch));
    test_support::processEventsFor(std::chrono::milliseconds(100));
    EXPECT_EQ(events.lost.size(), 1u);
    if (!GetParam().returns)
        return;
    device->comeBack();
    ASSERT_TRUE(processEventsUntil([&] { return events.returned == 1; }));
    EXPECT_TRUE(device->link().ready());
    ASSERT_TRUE(device->link().write(kSaved));
    EXPECT_EQ(device->received(kSaved.size()), kSaved);
}

INSTANTIATE_TEST_SUITE_P(
    Links, LinkContract,
    testing::Values(
        LinkCase{"Serial", [] { return std::make_unique<SerialDevice>(); }, Framing::Stream, false},
        LinkCase{"Udp", [] { return std::make_unique<UdpDevice>(); }, Framing::Datagram, false},
        LinkCase{"Tcp", [] { return std::make_unique<TcpDevice>(); }, Framing::Stream, true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace controller
