#include "terminal_setup/session/discovery_session.h"

#include "terminal_setup/protocol/interface_choice.h"
#include "terminal_setup/protocol/system_interfaces.h"
#include "terminal_setup/protocol/terminal_format.h"
#include "tests/support/namespace_check.h"
#include "tests/support/temp_dir.h"
#include "tests/terminal_protocol/free_udp_port.h"
#include "tests/terminal_protocol/sample_report.h"
#include "tests/terminal_protocol/terminal_sim_process.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QThread>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace terminal_setup;
using terminal_test::kSampleReport;
using terminal_test::TerminalSimProcess;

class RecordingListener : public DiscoveryListener {
public:
    void terminalAdded(std::size_t row) override {
        events.push_back("added " + std::to_string(row));
    }
    void terminalsCleared() override { events.push_back("cleared"); }
    void scanStarted() override { events.push_back("scan started"); }
    void scanOver() override { events.push_back("scan over"); }
    void groupSocketFailed(const GroupSocketError& error) override {
        failures.push_back(describeGroupSocketError(error, port));
    }
    void testFailed(TestOutcome outcome) override {
        failures.push_back("test " + std::to_string(static_cast<int>(outcome)));
    }
    void writeChecked(const WriteCheck& check) override { checks.push_back(check); }
    void planRowFinished(const PlanRowResult& result) override {
        events.push_back("row " + std::to_string(result.row) + " " + describePlanResult(result));
    }
    std::vector<std::string> events;
    std::vector<std::string> failures;
    std::vector<WriteCheck> checks;
    std::uint16_t port = 0;
};

const std::string kRefused =
    "test " + std::to_string(static_cast<int>(TestOutcome::RefusedDestination));

// The bytes of a "send"/"recv" line of the simulator's log.
std::vector<std::uint8_t> bytesOfLogLine(const QString& line) {
    std::vector<std::uint8_t> bytes;
    const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (qsizetype i = 2; i < words.size(); ++i)
        bytes.push_back(static_cast<std::uint8_t>(words[i].toUInt(nullptr, 16)));
    return bytes;
}

std::vector<std::uint8_t> bytesOf(const TerminalRecord& record) {
    return {record.bytes().begin(), record.bytes().end()};
}

class DiscoverySessionTest : public testing::Test {
protected:
    void SetUp() override {
        REQUIRE_PRIVATE_NETWORK_NAMESPACE();
        m_port = terminal_test::freeUdpPort();
        m_listener.port = m_port;
        m_discovery = std::make_unique<DiscoverySession>(
            m_listener, DiscoverySessionOptions{m_port, {}, [this] { return m_scanCard; }});
    }

    std::unique_ptr<TerminalSimProcess> startSim(QStringList arguments) {
        arguments << "--port" << QString::number(m_port);
        auto sim = std::make_unique<TerminalSimProcess>(MATRIX_BIN_DIR "/terminal-sim", arguments);
        EXPECT_TRUE(sim->isReady()) << sim->log().toStdString();
        return sim;
    }

    // The private namespace's only interface, as the system describes it.
    static NetworkInterface loopbackCard() {
        const std::vector<NetworkInterface> all = systemNetworkInterfaces();
        const NetworkInterface* loopback = findInterface(all, "lo");
        return loopback ? *loopback : NetworkInterface{};
    }
    bool openDiscovery() { return !m_discovery->open(&m_card, kDiscoveryGroup).has_value(); }
    bool scan() { return m_discovery->scan(&m_card); }
    // The session's own scans (checks and plans) go out on m_scanCard.
    std::optional<NetworkInterface> m_scanCard = loopbackCard();
    void test(const QString& destination, unsigned hostPort) {
        m_discovery->test(destination, hostPort, {m_card});
    }

    // Calls the 100 ms poll the way the window's timer would, until `rows` records are stored.
    bool pollGroupUntil(std::size_t rows, int timeoutMs = 5000) {
        return pollUntil([this] { m_discovery->pollGroupSocket(); }, rows, timeoutMs);
    }
    bool pollTestUntil(std::size_t rows, int timeoutMs = 5000) {
        return pollUntil([this] { m_discovery->pollTestSocket(); }, rows, timeoutMs);
    }

    void closeScanWindow() {
        for (int tick = 0; tick < 5; ++tick)
            m_discovery->tickScanWindow();
    }

    // A second member of the group on the tool's port. The kernel hands a group datagram to every
    // member in one pass, so once the witness has one, the tool's socket holds it as well.
    class Witness {
    public:
        explicit Witness(std::uint16_t port) {
            m_ok = m_socket.bind(QHostAddress::AnyIPv4, port, QUdpSocket::ShareAddress) &&
                   m_socket.joinMulticastGroup(QHostAddress(kDiscoveryGroup));
        }
        bool ok() const { return m_ok; }
        // True once `count` datagrams have arrived, false when they did not in time.
        bool waitFor(int count) {
            QElapsedTimer clock;
            clock.start();
            while (m_seen < count) {
                if (!m_socket.hasPendingDatagrams() && clock.elapsed() > 5000)
                    return false;
                if (!m_socket.hasPendingDatagrams())
                    m_socket.waitForReadyRead(100);
                else if (m_socket.readDatagram(nullptr, 0) >= 0)
                    ++m_seen;
            }
            return true;
        }

    private:
        QUdpSocket m_socket;
        bool m_ok = false;
        int m_seen = 0;
    };

    // A datagram from a socket of this test, as another host or terminal would send it.
    static void sendFromElsewhere(const std::vector<std::uint8_t>& bytes, const QString& to,
                                  std::uint16_t port) {
        QUdpSocket sender;
        ASSERT_EQ(sender.writeDatagram(reinterpret_cast<const char*>(bytes.data()),
                                       static_cast<qint64>(bytes.size()), QHostAddress(to), port),
                  static_cast<qint64>(bytes.size()));
    }

    static std::vector<std::uint8_t> reportOfLength(std::size_t length, std::uint8_t id) {
        std::vector<std::uint8_t> bytes(kSampleReport.begin(), kSampleReport.end());
        bytes[36] = id;
        bytes.resize(length, 0xAB);
        return bytes;
    }

    std::vector<std::uint8_t> idsInTable() const {
        std::vector<std::uint8_t> ids;
        for (std::size_t i = 0; i < m_discovery->table().size(); ++i)
            ids.push_back(m_discovery->table().at(i).id());
        return ids;
    }

    std::uint16_t m_port = 0;
    NetworkInterface m_card = loopbackCard();
    RecordingListener m_listener;
    std::unique_ptr<DiscoverySession> m_discovery;

private:
    bool pollUntil(const std::function<void()>& poll, std::size_t rows, int timeoutMs) {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            poll();
            if (m_discovery->table().size() >= rows)
                return true;
            if (clock.elapsed() > timeoutMs)
                return false;
            QThread::msleep(10);
        }
    }
};

TEST_F(DiscoverySessionTest, ScanWithoutTerminalsListsNothingAndGivesTheButtonsBackAtTheFifthTick) {
    QUdpSocket bystander; // another member of the group sees what the scan sends
    ASSERT_TRUE(bystander.bind(QHostAddress::AnyIPv4, m_port, QUdpSocket::ShareAddress));
    ASSERT_TRUE(bystander.joinMulticastGroup(QHostAddress(kDiscoveryGroup)));
    ASSERT_TRUE(openDiscovery());

    scan();
    EXPECT_EQ(m_listener.events, (std::vector<std::string>{"cleared", "scan started"}));

    ASSERT_TRUE(bystander.waitForReadyRead(2000));
    QByteArray request(100, '\0');
    request.resize(bystander.readDatagram(request.data(), request.size()));
    const QByteArray expected("\xEF\xFE\x01\x01" + QByteArray(56, '\0'));
    EXPECT_EQ(request, expected);

    // The request came back to the tool through the group too, and is not a terminal.
    m_discovery->pollGroupSocket();
    EXPECT_TRUE(m_discovery->table().empty());

    for (int tick = 1; tick <= 4; ++tick)
        m_discovery->tickScanWindow();
    EXPECT_EQ(m_listener.events.back(), "scan started");
    m_discovery->tickScanWindow();
    EXPECT_EQ(m_listener.events.back(), "scan over");
    EXPECT_FALSE(m_discovery->scanWindow().isOpen());
    EXPECT_TRUE(m_listener.failures.empty());
}

TEST_F(DiscoverySessionTest, TwoTerminalsGiveTwoRecordsInOrderOfArrival) {
    auto sim = startSim({"--count", "2", "--seed", "11"});
    ASSERT_TRUE(openDiscovery());
    scan();
    ASSERT_TRUE(pollGroupUntil(2));
    ASSERT_TRUE(sim->waitForLines("send", 2));
    const QStringList sent = sim->lines("send");
    ASSERT_EQ(m_discovery->table().size(), 2u);
    EXPECT_EQ(bytesOf(m_discovery->table().at(0)), bytesOfLogLine(sent[0]));
    EXPECT_EQ(bytesOf(m_discovery->table().at(1)), bytesOfLogLine(sent[1]));
    EXPECT_EQ(m_listener.events,
              (std::vector<std::string>{"cleared", "scan started", "added 0", "added 1"}));
}

TEST_F(DiscoverySessionTest, FullTableKeepsTheFirst256AndDropsThe257th) {
    auto sim = startSim({"--count", "257"});
    ASSERT_TRUE(openDiscovery());
    scan();
    ASSERT_TRUE(sim->waitForLines("send", 257));
    pollGroupUntil(257, 500); // gives the last report time to arrive; it must not be stored
    ASSERT_EQ(m_discovery->table().size(), 256u);
    const QStringList sent = sim->lines("send");
    EXPECT_EQ(bytesOf(m_discovery->table().at(0)), bytesOfLogLine(sent[0]));
    EXPECT_EQ(bytesOf(m_discovery->table().at(255)), bytesOfLogLine(sent[255]));
    EXPECT_EQ(m_listener.events.back(), "added 255");
    EXPECT_EQ(m_discovery->droppedTerminals(), 1u) << "the 257th answered and was not listed";
    scan();
    EXPECT_EQ(m_discovery->droppedTerminals(), 0u);
}

TEST_F(DiscoverySessionTest, OnePollTakesEveryDatagramWaiting) {
    ASSERT_TRUE(openDiscovery());
    Witness witness(m_port);
    ASSERT_TRUE(witness.ok());
    for (std::uint8_t id = 1; id <= 5; ++id)
        sendFromElsewhere(reportOfLength(60, id), kDiscoveryGroup, m_port);
    ASSERT_TRUE(witness.waitFor(5));
    m_discovery->pollGroupSocket();
    EXPECT_EQ(idsInTable(), (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
}

TEST_F(DiscoverySessionTest, ReportArrivingAfterTheScanWindowIsAppended) {
    auto sim = startSim({"--count", "1"});
    ASSERT_TRUE(openDiscovery());
    scan();
    ASSERT_TRUE(pollGroupUntil(1));
    closeScanWindow();

    // Another host scans later; the terminal's answer reaches this tool as well.
    const TerminalDatagram request = scanRequest();
    sendFromElsewhere({request.begin(), request.end()}, kDiscoveryGroup, m_port);
    ASSERT_TRUE(pollGroupUntil(2));
    EXPECT_EQ(m_discovery->table().at(0), m_discovery->table().at(1));
    EXPECT_EQ(std::count(m_listener.events.begin(), m_listener.events.end(), "cleared"), 1);
}

TEST_F(DiscoverySessionTest, GroupSocketDropsDatagramsAbove200BytesAndTakes60To200) {
    ASSERT_TRUE(openDiscovery());
    Witness witness(m_port);
    ASSERT_TRUE(witness.ok());
    sendFromElsewhere(reportOfLength(201, 1), kDiscoveryGroup, m_port);
    sendFromElsewhere(reportOfLength(200, 2), kDiscoveryGroup, m_port);
    sendFromElsewhere(reportOfLength(59, 3), kDiscoveryGroup, m_port);
    sendFromElsewhere(reportOfLength(60, 4), kDiscoveryGroup, m_port);
    sendFromElsewhere(reportOfLength(1000, 5), kDiscoveryGroup, m_port);
    ASSERT_TRUE(witness.waitFor(5));
    m_discovery->pollGroupSocket();
    EXPECT_EQ(idsInTable(), (std::vector<std::uint8_t>{2, 4}));
}

TEST_F(DiscoverySessionTest, GroupSocketAlsoTakesReportsSentToTheHostAddress) {
    ASSERT_TRUE(openDiscovery());
    sendFromElsewhere(reportOfLength(60, 9), "127.0.0.1", m_port);
    ASSERT_TRUE(pollGroupUntil(1));
    EXPECT_EQ(idsInTable(), (std::vector<std::uint8_t>{9}));
    // The card it came in on is kept with it.
    EXPECT_EQ(m_discovery->table().interfaceIndexAt(0), m_card.index);
}

TEST_F(DiscoverySessionTest, TerminalsAnsweringByUnicastAreListed) {
    auto sim = startSim({"--count", "3", "--unicast-reply"});
    ASSERT_TRUE(openDiscovery()); // bound after the simulator, so unicast to the port reaches it
    scan();
    ASSERT_TRUE(pollGroupUntil(3));
    for (const QString& line : sim->lines("send"))
        EXPECT_TRUE(line.startsWith("send 127.0.0.1:" + QString::number(m_port)))
            << line.toStdString();
}

TEST_F(DiscoverySessionTest, TestSendsFromHostPortToThePortBelowAndListsTheAnswer) {
    const std::uint16_t hostPort = terminal_test::freeUdpPortAboveAnother();
    auto sim = startSim({"--count", "1", "--test-port", QString::number(hostPort - 1)});
    ASSERT_TRUE(openDiscovery());

    test("127.0.0.1", hostPort);
    EXPECT_TRUE(m_listener.failures.empty());
    EXPECT_EQ(m_listener.events, (std::vector<std::string>{"cleared", "scan started"}));
    ASSERT_TRUE(sim->waitForLines("recv", 1));
    EXPECT_EQ(sim->lines("recv").first(),
              "recv 127.0.0.1:" + QString::number(hostPort) +
                  " EF FE 01 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
                  " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
                  " 00 00 00 00 00 00 00 00");
    ASSERT_TRUE(pollTestUntil(1));
    EXPECT_EQ(bytesOf(m_discovery->table().at(0)), bytesOfLogLine(sim->lines("send").first()));

    closeScanWindow();
    EXPECT_FALSE(m_discovery->isTestSocketOpen());
    EXPECT_EQ(m_listener.events.back(), "scan over");
}

TEST_F(DiscoverySessionTest, TestWithHostPortZeroSendsFromASystemPortToPort65535) {
    if (!QUdpSocket().bind(QHostAddress::AnyIPv4, 65535))
        GTEST_SKIP() << "port 65535 is taken";
    auto sim = startSim({"--count", "1", "--test-port", "65535"});
    ASSERT_TRUE(openDiscovery());
    test("127.0.0.1", 0);
    const std::uint16_t chosen = m_discovery->testSocketPort();
    EXPECT_NE(chosen, 0);
    ASSERT_TRUE(sim->waitForLines("recv", 1));
    EXPECT_TRUE(sim->lines("recv").first().startsWith("recv 127.0.0.1:" + QString::number(chosen) +
                                                      " EF FE 01 01"));
    EXPECT_TRUE(pollTestUntil(1));
}

TEST_F(DiscoverySessionTest, TestSocketTakesUpTo1024BytesAndIsDeafOnceTheWindowCloses) {
    const std::uint16_t hostPort = terminal_test::freeUdpPortAboveAnother();
    ASSERT_TRUE(openDiscovery());
    test("127.0.0.1", hostPort); // nobody answers on the port below
    sendFromElsewhere(reportOfLength(1025, 1), "127.0.0.1", hostPort);
    sendFromElsewhere(reportOfLength(1024, 2), "127.0.0.1", hostPort);
    // The datagrams arrive in order: the first one stored is the second one sent.
    ASSERT_TRUE(pollTestUntil(1));
    EXPECT_EQ(idsInTable(), (std::vector<std::uint8_t>{2}));

    closeScanWindow();
    QUdpSocket late; // the port is free again once the test socket is closed
    EXPECT_TRUE(late.bind(QHostAddress::AnyIPv4, hostPort));
    m_discovery->pollTestSocket();
    EXPECT_EQ(m_discovery->table().size(), 1u);
}

TEST_F(DiscoverySessionTest, TestFromATakenPortTellsTheOperatorAndStillOpensTheScanWindow) {
    QUdpSocket squatter;
    ASSERT_TRUE(squatter.bind(QHostAddress::AnyIPv4, 0));
    ASSERT_TRUE(openDiscovery());
    test("127.0.0.1", squatter.localPort());
    EXPECT_EQ(m_listener.failures,
              std::vector<std::string>{
                  "test " + std::to_string(static_cast<int>(TestOutcome::PortUnavailable))});
    EXPECT_EQ(m_listener.events, (std::vector<std::string>{"cleared", "scan started"}));
    EXPECT_TRUE(m_discovery->scanWindow().isOpen());
    EXPECT_FALSE(m_discovery->isTestSocketOpen());
}

TEST_F(DiscoverySessionTest, FailedOpenIsSilentAndAScanSaysWhyDoesNothingAndRecoversLater) {
    // A socket of another program that holds the port for itself.
    auto holdPort = [this] {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(m_port);
        EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        return fd;
    };
    const std::string port = std::to_string(m_port);
    struct Case {
        const char* what;
        std::function<void(NetworkInterface&)> spoil;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"switched off", [](NetworkInterface& c) { c.up = false; },
         "Network interface lo is down, unplugged or gone."},
        {"no link", [](NetworkInterface& c) { c.running = false; },
         "Network interface lo is down, unplugged or gone."},
        {"no IPv4 address", [](NetworkInterface& c) { c.ipv4.clear(); },
         "Network interface lo has no IPv4 address."},
        {"port held", nullptr, "UDP port " + port + " is in use by another program."},
    };
    EXPECT_FALSE(m_discovery->scan(nullptr)) << "no interface at all";
    for (const Case& c : cases) {
        NetworkInterface spoilt = m_card;
        int holder = -1;
        if (c.spoil)
            c.spoil(spoilt);
        else
            holder = holdPort();
        EXPECT_FALSE(m_discovery->scan(&spoilt)) << c.what;
        if (holder >= 0)
            ::close(holder);
    }
    EXPECT_FALSE(m_discovery->isOpen());
    EXPECT_FALSE(m_discovery->sendToGroup(scanRequest()));

    std::vector<std::string> expected = {
        "No network interface is up with an IPv4 address and multicast."};
    for (const Case& c : cases)
        expected.push_back(c.reason);
    EXPECT_EQ(m_listener.failures, expected);
    EXPECT_TRUE(m_listener.events.empty()) << "nothing emptied, no scan window";

    // Once the interface is back, the next Scan opens the socket and goes ahead.
    EXPECT_TRUE(scan());
    EXPECT_TRUE(m_discovery->isOpen());
    EXPECT_EQ(m_discovery->openInterface(), "lo");
    EXPECT_EQ(m_listener.events, (std::vector<std::string>{"cleared", "scan started"}));
}

TEST_F(DiscoverySessionTest, TestRefusesDestinationsThatReachNoOneTerminalAndSendsNothing) {
    const std::uint16_t hostPort = terminal_test::freeUdpPortAboveAnother();
    QUdpSocket listener; // where a Test to this host arrives
    ASSERT_TRUE(listener.bind(QHostAddress::AnyIPv4, hostPort - 1));
    ASSERT_TRUE(openDiscovery());

    for (const char* refused : {"0.0.0.0", "255.255.255.255", "127.255.255.255"}) {
        test(refused, hostPort);
        EXPECT_EQ(m_listener.failures.back(), kRefused) << refused;
    }
    EXPECT_EQ(m_listener.failures.size(), 3u);
    EXPECT_TRUE(m_listener.events.empty());
    EXPECT_FALSE(m_discovery->scanWindow().isOpen());
    EXPECT_FALSE(m_discovery->isTestSocketOpen());

    // A Test to this host's own address goes out; being the first to arrive, nothing came before.
    test("127.0.0.1", hostPort);
    ASSERT_TRUE(listener.waitForReadyRead(2000));
    QHostAddress from;
    quint16 fromPort = 0;
    QByteArray first(100, '\0');
    first.resize(listener.readDatagram(first.data(), first.size(), &from, &fromPort));
    EXPECT_EQ(fromPort, hostPort);
    EXPECT_EQ(first, QByteArray("\xEF\xFE\x01\x01" + QByteArray(56, '\0')));
}

TEST_F(DiscoverySessionTest, ConfigurationWriteAndResetReachTheTerminalTheyName) {
    auto sim = startSim({"--count", "2", "--seed", "5"});
    ASSERT_TRUE(openDiscovery());
    scan();
    ASSERT_TRUE(pollGroupUntil(2));
    const TerminalRecord first = m_discovery->table().at(0);
    const TerminalRecord second = m_discovery->table().at(1);

    TerminalEdits edits = editsFromRecord(second);
    edits.name = "Desk";
    edits.ipAddress = {192, 0, 2, 77};
    edits.localPort = 4001;
    EXPECT_TRUE(m_discovery->sendToGroup(configurationWrite(second, edits)));
    EXPECT_TRUE(m_discovery->sendToGroup(resetDatagram(first, 77)));
    ASSERT_TRUE(sim->waitForLines("note", 2)) << sim->log().toStdString();

    closeScanWindow();
    scan();
    ASSERT_TRUE(pollGroupUntil(2));
    const TerminalRecord& reset = m_discovery->table().at(0);
    const TerminalRecord& written = m_discovery->table().at(1);
    EXPECT_EQ(reset.id(), 77);
    EXPECT_EQ(reset.mac()[5], 77);
    EXPECT_EQ(reset.name(), first.name());
    EXPECT_EQ(written.name(), "Desk");
    EXPECT_EQ(written.ipAddress(), (Ipv4Bytes{192, 0, 2, 77}));
    EXPECT_EQ(written.localPort(), 4001);
    EXPECT_EQ(written.id(), second.id());
}

TEST_F(DiscoverySessionTest, ACheckedWriteIsToldFromTheNextReportOrAsUnansweredAtTheWindowsEnd) {
    auto sim = startSim({"--count", "1", "--ignore-field", "baud"});
    ASSERT_TRUE(openDiscovery());
    scan();
    ASSERT_TRUE(pollGroupUntil(1));
    const TerminalRecord before = m_discovery->table().at(0);
    TerminalEdits edits = editsFromRecord(before);
    edits.ipAddress = {192, 0, 2, 77};
    edits.baudIndex = before.baudIndex() == 8 ? 9 : 8;
    const TerminalDatagram write = configurationWrite(before, edits);

    ASSERT_TRUE(m_discovery->sendChecked(write, before));
    EXPECT_TRUE(m_discovery->writeCheckPending());
    m_discovery->tickWriteCheck();
    ASSERT_TRUE(pollGroupUntil(1));
    ASSERT_EQ(m_listener.checks.size(), 1u);
    EXPECT_EQ(describeWriteCheck(m_listener.checks[0])
                  .rfind("The terminal " + formatMac(before.mac()) +
                             " answered. It shows: IP 192.0.2.77. It does not show: Baud ",
                         0),
              0u);

    sim->stop();
    ASSERT_TRUE(m_discovery->sendChecked(write, before));
    m_discovery->tickWriteCheck();
    closeScanWindow();
    ASSERT_EQ(m_listener.checks.size(), 2u);
    EXPECT_FALSE(m_listener.checks[1].answered);
    EXPECT_FALSE(m_discovery->writeCheckPending());
}

TEST_F(DiscoverySessionTest, PlanRowsAreConfirmedFromTheNextReportAndWrittenOnceMoreWhenNot) {
    test_support::TempDir dir;
    test_support::TempDir::writeFile(
        dir.file("terminals.txt"), "id=1 mac=00:1A:2B:3C:01:01 ip=192.0.2.21 baud=6\n"
                                   "id=2 mac=00:1A:2B:3C:02:02 ip=192.0.2.22 baud=6 ignore=baud\n");
    // Every terminal drops its first write, as a busy one would.
    auto sim = startSim(
        {"--from", QString::fromStdString(dir.file("terminals.txt")), "--drop-writes", "1"});
    ASSERT_TRUE(openDiscovery());
    scan();
    ASSERT_TRUE(pollGroupUntil(2));
    const CheckedPlan plan = checkPlan(readPlan("mac,ip,baud,id\n"
                                                "00:1A:2B:3C:01:01,192.0.2.31,19200,41\n"
                                                "00:1A:2B:3C:02:02,192.0.2.32,19200,\n"
                                                "00:1A:2B:3C:09:09,192.0.2.39,,\n"
                                                "00:1A:2B:3C:02:02 ,,,\n"),
                                       listTerminals(m_discovery->table(), {}));
    ASSERT_FALSE(plan.ok()) << "the MAC twice";
    EXPECT_FALSE(m_discovery->applyPlan(plan));
    CheckedPlan good = plan;
    good.faults.clear();
    good.terminals.pop_back();

    m_listener.events.clear();
    ASSERT_TRUE(m_discovery->applyPlan(good));
    QElapsedTimer clock;
    clock.start();
    while (m_discovery->planRunning() && clock.elapsed() < 20000) {
        m_discovery->tickWriteCheck();
        m_discovery->pollGroupSocket();
        QThread::msleep(5);
    }
    std::vector<std::string> rows;
    std::copy_if(m_listener.events.begin(), m_listener.events.end(), std::back_inserter(rows),
                 [](const std::string& e) { return e.starts_with("row "); });
    EXPECT_EQ(rows, (std::vector<std::string>{
                        "row 2 confirmed after a second write",
                        "row 3 not confirmed after a second write: baud 19200 (it reports 9600)",
                        "row 4 not found; skipped"}));
    EXPECT_EQ(sim->lines("note"),
              (QStringList{"note terminal 0 dropped a configuration write",
                           "note terminal 0 took a configuration write",
                           "note terminal 0 took a reset to ID 41",
                           "note terminal 1 dropped a configuration write",
                           "note terminal 1 took a configuration write but ignored baud"}));
}

TEST_F(DiscoverySessionTest, TerminalReadFromAFileReportsExactlyItsFields) {
    test_support::TempDir dir;
    test_support::TempDir::writeFile(
        dir.file("terminals.txt"),
        "# one terminal, every field given\n"
        "header=7 mac=00:1A:2B:3C:4D:5E ip=192.0.2.20 multicast=224.0.0.41 hostip=192.0.2.100 "
        "gateway=192.0.2.1 mask=255.255.255.0 port=8866 hostport=8867 workmode=1 baud=6 id=5 "
        "name=ABCDEF model=T10 addressmode=0 opaque=11223344556677 sw=0x21 hw=0x0A dns=8.8.4.4\n"
        "\n"
        "id=9 name=\\xD6\\xD0\\xCE\\xC4 model=Q\n");
    auto sim = startSim({"--from", QString::fromStdString(dir.file("terminals.txt"))});
    ASSERT_TRUE(openDiscovery());
    scan();
    ASSERT_TRUE(pollGroupUntil(2));
    const std::vector<std::uint8_t> expected = {
        0xEF, 0xFE, 0x07, 0x10, 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0xC0, 0x00, 0x02, 0x14, 0xE0,
        0x00, 0x00, 0x29, 0xC0, 0x00, 0x02, 0x64, 0xC0, 0x00, 0x02, 0x01, 0xFF, 0xFF, 0xFF, 0x00,
        0xA2, 0x22, 0xA3, 0x22, 0x01, 0x06, 0x05, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x54, 0x31,
        0x30, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x21, 0x0A, 0x08, 0x08, 0x04, 0x04};
    EXPECT_EQ(bytesOf(m_discovery->table().at(0)), expected);
    const TerminalRecord& gbk = m_discovery->table().at(1);
    EXPECT_EQ(gbk.id(), 9);
    EXPECT_EQ(gbk.name(), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(gbk.model(), "Q");
}

TEST_F(DiscoverySessionTest, SimulatorStopsCleanlyOnSigterm) {
    auto sim = startSim({"--count", "1"});
    EXPECT_EQ(sim->stop(), 0);
    EXPECT_FALSE(sim->lines("stopped").isEmpty());
}

} // namespace
