// The events of /api/v1/events: a change made by one client reaches the others, and so does the
// link going down and coming back; a matrix behind a TCP terminal; matrixd with no configuration
// serving Brisvane's matrix.
#include "tests/service/matrixd_run.h"
#include "tests/support/wait_for.h"

#include <QFile>
#include <QWebSocket>
#include <gtest/gtest.h>

#include <unistd.h>

#include <thread>

namespace matrixd_test {
namespace {

using namespace std::chrono_literals;

// A client of the events that keeps what it hears.
class Listener {
public:
    explicit Listener(std::uint16_t port) {
        QObject::connect(&m_socket, &QWebSocket::textMessageReceived,
                         [this](const QString& m) { heard.push_back(m.toStdString()); });
        m_socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/api/v1/events").arg(port)));
    }
    bool connected() {
        return test_support::waitUntil(
            [&] { return m_socket.state() == QAbstractSocket::ConnectedState; }, 5s);
    }
    bool hears(const std::string& event, std::chrono::milliseconds within = 5s) {
        return test_support::waitUntil(
            [&] { return std::find(heard.begin(), heard.end(), event) != heard.end(); }, within);
    }
    std::vector<std::string> heard;

private:
    QWebSocket m_socket;
};

const std::string kEvent5To3 =
    R"({"event": "crosspoint", "matrix": "hall", "output": 5, "input": 3})";

// The matrix behind the simulator's TCP port, as a terminal in "TCP  Server" mode serves it.
std::string tcpConfig(const test_support::SharedMatrixSim& sim) {
    std::string config = hallConfig();
    config.replace(config.find("serial:{link}"), 13,
                   "tcp:127.0.0.1:" + std::to_string(sim.tcpPort()));
    return config;
}

TEST(EventsAgainstSim, ASecondClientHearsTheChangeAsSoonAsTheDeviceConfirmsIt) {
    test_support::SharedMatrixSim sim(hallDevice());
    ASSERT_TRUE(sim.ready()) << sim.error();
    MatrixdRun run(hallConfig(), sim.linkPath());
    ASSERT_TRUE(run.ready()) << run.output();
    Listener other(run.port());
    ASSERT_TRUE(other.connected());

    const auto sent = std::chrono::steady_clock::now();
    std::thread client([&] {
        EXPECT_EQ(run.call("PUT", "/api/v1/matrices/hall/outputs/5", R"({"input": 3})").status,
                  200);
    });
    EXPECT_TRUE(other.hears(kEvent5To3)) << testing::PrintToString(other.heard);
    // Under the sanitizers and a loaded machine the time says little; the benchmark measures it.
    std::printf(
        "PUT to the other client's event: %.1f ms\n",
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - sent).count());
    client.join();
    // A switch that changes nothing is no event.
    EXPECT_EQ(run.call("PUT", "/api/v1/matrices/hall/outputs/5", R"({"input": 3})").status, 200);
    EXPECT_EQ(std::count(other.heard.begin(), other.heard.end(), kEvent5To3), 1);
}

TEST(EventsAgainstSim, AMatrixBehindATcpTerminalIsSwitched) {
    test_support::SharedMatrixSim sim(hallDevice());
    ASSERT_TRUE(sim.ready()) << sim.error();
    MatrixdRun run(tcpConfig(sim));
    ASSERT_TRUE(run.ready()) << run.output();
    Listener listener(run.port());
    ASSERT_TRUE(listener.connected());
    ASSERT_TRUE(test_support::waitUntil(
        [&] {
            return run.call("GET", "/api/v1/matrices").body.find("\"state\": \"up\"") !=
                   std::string::npos;
        },
        5s));
    EXPECT_EQ(run.call("PUT", "/api/v1/matrices/hall/outputs/5", R"({"input": 3})").body,
              R"({"output": 5, "input": 3})");
    EXPECT_TRUE(sim.WaitForState("crosspoints", "0 1 2 3 2 5 6 7"));
    EXPECT_TRUE(listener.hears(kEvent5To3));
}

// The terminal closes the connection after each frame: the link goes down, and comes back when
// the connection is made again.
TEST(EventsAgainstSim, TheLinkGoingDownAndComingBackIsTold) {
    test_support::SharedMatrixSim sim(hallDevice({"--drop-after", "1"}));
    ASSERT_TRUE(sim.ready()) << sim.error();
    MatrixdRun run(tcpConfig(sim));
    ASSERT_TRUE(run.ready()) << run.output();
    Listener listener(run.port());
    ASSERT_TRUE(listener.connected());
    const std::string down = R"({"event": "link", "matrix": "hall", "state": "down"})";
    const std::string up = R"({"event": "link", "matrix": "hall", "state": "up"})";
    ASSERT_TRUE(listener.hears(down, 10s)) << testing::PrintToString(listener.heard);
    EXPECT_TRUE(test_support::waitUntil(
        [&] {
            const auto first = std::find(listener.heard.begin(), listener.heard.end(), down);
            return std::find(first, listener.heard.end(), up) != listener.heard.end();
        },
        10s))
        << testing::PrintToString(listener.heard) << run.output();
}

// Without --config matrixd finds Brisvane's Setting.ini as Brisvane does (beside the program in
// a folder of its own) and serves its matrix as "matrix".
TEST(EventsAgainstSim, WithoutAConfigurationItServesBrisvanesMatrix) {
    test_support::SharedMatrixSim sim({"--size", "16", "--type", "HDMI Matrix"});
    ASSERT_TRUE(sim.ready()) << sim.error();
    test_support::TempDir dir;
    const std::string program = dir.file("matrixd");
    if (::link(MatrixdBinary().c_str(), program.c_str()) != 0) {
        ASSERT_TRUE(
            QFile::copy(QString::fromStdString(MatrixdBinary()), QString::fromStdString(program)));
    }
    std::string settings =
        "[SYSTEM_SET]\r\nSelectCOM=0\r\nSelectBAUD=2\r\nMatrixType=3\r\n"
        "MatrixSize=2\r\nUseNet=0\r\n[Names]\r\nOut5=Screen\r\n[Ports]\r\nCOM1=" +
        sim.linkPath() + "\r\n";
    for (int n = 2; n <= 9; ++n)
        settings += "COM" + std::to_string(n) + "=" + dir.file("none") + "\r\n";
    test_support::TempDir::writeFile(dir.file("Setting.ini"), settings);
    MatrixdRun run(program, QStringList{"--listen", "127.0.0.1:0"});
    ASSERT_TRUE(run.ready()) << run.output();
    EXPECT_NE(run.output().find("serving the matrix of " + dir.file("Setting.ini")),
              std::string::npos);
    EXPECT_TRUE(test_support::waitUntil(
        [&] {
            return run.call("GET", "/api/v1/matrices/matrix")
                       .body.find("{\"output\": 16, \"input\": 16}") != std::string::npos;
        },
        5s));
    const HttpAnswer detail = run.call("GET", "/api/v1/matrices/matrix");
    EXPECT_NE(detail.body.find("\"link\": \"serial:COM1\""), std::string::npos) << detail.body;
    EXPECT_NE(detail.body.find("{\"number\": 5, \"name\": \"Screen\"}"), std::string::npos);
    const HttpAnswer put = run.call("PUT", "/api/v1/matrices/matrix/outputs/5", R"({"input": 3})");
    EXPECT_EQ(put.status, 200) << put.body;
    EXPECT_EQ(receivedFrames(sim).back(), "serial BA 01 01 04 A6 04 02 6C");
    EXPECT_EQ(test_support::TempDir::readFile(dir.file("Setting.ini")), settings)
        << "the settings are only read";
}

} // namespace
} // namespace matrixd_test
