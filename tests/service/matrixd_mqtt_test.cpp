// matrixd's MQTT bridge against Debian's mosquitto on loopback, with mosquitto_pub and
// mosquitto_sub as a control system uses them: a set topic switches the matrix, the state
// follows, garbage is ignored, the discovery configurations name the right topics and go with a
// matrix no longer served, a restarted broker is rejoined and a killed matrixd leaves its will.
#include "tests/service/matrixd_run.h"
#include "tests/support/mqtt_broker.h"
#include "tests/support/wait_for.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace matrixd_test {
namespace {

using namespace std::chrono_literals;

const std::string kSwitch3To5 = "serial BA 01 01 04 A6 04 02 6C";

std::string mqttSection(std::uint16_t port, const std::string& base) {
    return "[MQTT]\nHost=127.0.0.1\nPort=" + std::to_string(port) + "\nBaseTopic=" + base +
           "\nClientId=" + base + "\nDiscovery=" + base + "-ha\n";
}

std::string client(const char* program, std::uint16_t port, const QStringList& args) {
    QProcess p;
    p.start(program, QStringList{"-h", "127.0.0.1", "-p", QString::number(port)} + args);
    p.waitForFinished(10000);
    return p.readAllStandardOutput().toStdString();
}

void publish(std::uint16_t port, const std::string& topic, const std::string& payload) {
    client("mosquitto_pub", port,
           {"-t", QString::fromStdString(topic), "-m", QString::fromStdString(payload)});
}

// The retained messages under `filter`, payload by topic.
std::map<std::string, std::string> retainedUnder(std::uint16_t port, const std::string& filter) {
    std::map<std::string, std::string> found;
    std::istringstream out(
        client("mosquitto_sub", port,
               {"-v", "--retained-only", "-W", "1", "-t", QString::fromStdString(filter)}));
    for (std::string line; std::getline(out, line);)
        found[line.substr(0, line.find(' '))] =
            line.find(' ') == std::string::npos ? "" : line.substr(line.find(' ') + 1);
    return found;
}

// Whether `topic` comes to hold `payload` retained ("" for none) within 15 s.
bool holds(std::uint16_t port, const std::string& topic, const std::string& payload) {
    return test_support::waitUntil(
        [&] {
            const auto found = retainedUnder(port, topic);
            return found.empty() ? payload.empty() : found.begin()->second == payload;
        },
        15s);
}

class MqttAgainstSim : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_sim.Reset(hallDevice())) << m_sim.error();
        m_port = test_support::recordedBrokerPort();
        if (m_port == 0)
            GTEST_SKIP() << "no MQTT broker: mosquitto is not installed";
    }
    test_support::SharedMatrixSim m_sim;
    std::uint16_t m_port = 0;
};

TEST_F(MqttAgainstSim, ASetSwitchesTheMatrixTheStateFollowsAndGarbageIsIgnored) {
    MatrixdRun run(hallConfig() + mqttSection(m_port, "t1"), m_sim.linkPath());
    ASSERT_TRUE(run.ready()) << run.output();
    ASSERT_TRUE(holds(m_port, "t1/hall/availability", "online")) << run.output();
    const std::vector<std::string> garbage{"x", "9", "0", "3 4", "03x", " "};
    for (const std::string& payload : garbage)
        publish(m_port, "t1/hall/output/5/set", payload);
    publish(m_port, "t1/hall/output/5/set", " 3\n");
    const auto switches = [&] {
        std::vector<std::string> frames = receivedFrames(m_sim);
        std::erase_if(frames,
                      [](const std::string& f) { return f.rfind("serial BA 01 01", 0) != 0; });
        return frames;
    };
    ASSERT_TRUE(test_support::waitUntil([&] { return !switches().empty(); }, 10s));
    EXPECT_TRUE(holds(m_port, "t1/hall/output/5", "3"));
    EXPECT_EQ(switches(), std::vector<std::string>{kSwitch3To5});
    for (const std::string& payload : garbage)
        EXPECT_NE(run.output().find("MQTT ignored \"" + payload + "\" on"), std::string::npos);
}

TEST_F(MqttAgainstSim, DiscoveryNamesEachOutputsTopicsAndForgetsAMatrixNoLongerServed) {
    const std::string stage = "[Matrix2]\nName=stage\nLink=udp:127.0.0.1:9\nSize=4\nType=HDMI\n";
    {
        MatrixdRun run(hallConfig() + stage + mqttSection(m_port, "t2"), m_sim.linkPath());
        ASSERT_TRUE(run.ready()) << run.output();
        ASSERT_TRUE(test_support::waitUntil(
            [&] { return retainedUnder(m_port, "t2-ha/select/+/config").size() == 12; }, 15s));
        for (const auto& [topic, payload] : retainedUnder(m_port, "t2-ha/select/+/config")) {
            const QJsonObject config = QJsonDocument::fromJson(payload.c_str()).object();
            const std::string matrix = topic.find("_hall_") != std::string::npos ? "hall" : "stage";
            const std::string state = config["state_topic"].toString().toStdString();
            EXPECT_EQ(state.substr(0, state.rfind('/')), "t2/" + matrix + "/output") << payload;
            EXPECT_EQ(config["command_topic"].toString().toStdString(), state + "/set");
            EXPECT_EQ(config["availability_topic"].toString().toStdString(),
                      "t2/" + matrix + "/availability");
            if (topic == "t2-ha/select/t2_hall_output_5/config") {
                EXPECT_EQ(config["name"].toString(), "Projector left");
                EXPECT_EQ(config["options"].toArray()[2].toString(), "Camera 2");
            }
        }
        const QJsonObject names =
            QJsonDocument::fromJson(retainedUnder(m_port, "t2/hall/names").begin()->second.c_str())
                .object();
        EXPECT_EQ(names["inputs"].toArray()[2].toObject()["name"].toString(), "Camera 2");
    }
    EXPECT_TRUE(holds(m_port, "t2/hall/availability", "offline"));
    MatrixdRun hallOnly(hallConfig() + mqttSection(m_port, "t2"), m_sim.linkPath());
    ASSERT_TRUE(hallOnly.ready()) << hallOnly.output();
    EXPECT_TRUE(test_support::waitUntil(
        [&] { return retainedUnder(m_port, "t2-ha/select/+/config").size() == 8; }, 15s))
        << hallOnly.output();
}

TEST_F(MqttAgainstSim, ARestartedBrokerIsRejoinedAndAKilledMatrixdLeavesOffline) {
    test_support::TempDir dir;
    test_support::MqttBroker broker;
    std::string error;
    ASSERT_TRUE(broker.start(MOSQUITTO_PROGRAM, dir.file("broker.conf"), 0, error)) << error;
    // Over the simulator's TCP port: a matrixd killed on the pseudo-terminal would leave it in
    // exclusive mode, which only a privileged process may open again.
    MatrixdRun run(hallConfig() + mqttSection(broker.port, "t3"),
                   "tcp:127.0.0.1:" + std::to_string(m_sim.tcpPort()));
    ASSERT_TRUE(run.ready()) << run.output();
    ASSERT_TRUE(holds(broker.port, "t3/hall/availability", "online")) << run.output();
    publish(broker.port, "t3/hall/output/5/set", "3");
    ASSERT_TRUE(holds(broker.port, "t3/hall/output/5", "3")) << run.output();

    // Nothing is kept across the restart: what the broker holds afterwards, matrixd gave again.
    ASSERT_TRUE(broker.stop());
    ASSERT_TRUE(broker.start(MOSQUITTO_PROGRAM, dir.file("broker.conf"), broker.port, error))
        << error;
    EXPECT_TRUE(holds(broker.port, "t3/hall/output/5", "3")) << run.output();
    EXPECT_TRUE(holds(broker.port, "t3/hall/availability", "online"));
    publish(broker.port, "t3/hall/output/5/set", "4");
    EXPECT_TRUE(holds(broker.port, "t3/hall/output/5", "4")) << run.output();

    run.kill();
    EXPECT_TRUE(holds(broker.port, "t3/hall/availability", "offline"));
    broker.stop();
}

} // namespace
} // namespace matrixd_test
