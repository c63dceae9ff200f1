// matrixd against a matrix-sim process on a pseudo-terminal: each endpoint and each error
// status of the API, what it puts on the line (matrix-sim's log), and requests from several
// clients at once.
#include "tests/service/matrixd_run.h"
#include "tests/support/wait_for.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <sstream>
#include <thread>

namespace matrixd_test {
namespace {

using namespace std::chrono_literals;

const std::string kRead8 = "serial BA 01 02 0A A6 00 01 02 03 04 05 06 07 89";
const std::string kSwitch3To5 = "serial BA 01 01 04 A6 04 02 6C";

std::string straight8(int changedOutput = 0, int input = 0) {
    std::string text = "[";
    for (int o = 1; o <= 8; ++o)
        text += std::string(o > 1 ? ", " : "") + "{\"output\": " + std::to_string(o) +
                ", \"input\": " + std::to_string(o == changedOutput ? input : o) + "}";
    return text + "]";
}

// An 8x8 "HDMI Matrix" "hall" on the fixture's matrix-sim, reset for each test; the read-back
// matrixd makes once its link is up is over before the test's requests.
class MatrixdAgainstSim : public testing::Test {
protected:
    void start(const std::vector<std::string>& simArgs = {}, const std::string& server = {},
               int timeoutMs = 300) {
        ASSERT_TRUE(m_sim.Reset(hallDevice(simArgs))) << m_sim.error();
        m_matrixd = std::make_unique<MatrixdRun>(hallConfig(server, timeoutMs), m_sim.linkPath());
        ASSERT_TRUE(m_matrixd->ready()) << m_matrixd->output();
        ASSERT_TRUE(test_support::waitUntil([&] { return !receivedFrames(m_sim).empty(); }, 5s));
        const auto has = [&](const char* option) {
            return std::find(simArgs.begin(), simArgs.end(), option) != simArgs.end();
        };
        if (!has("--silent") && !has("--reply-address") && server.empty()) {
            ASSERT_TRUE(test_support::waitUntil(
                [&] {
                    return m_matrixd->call("GET", "/api/v1/matrices/hall")
                               .body.find("\"crosspoints\": [{") != std::string::npos;
                },
                5s));
        }
    }
    // What reached the line after the first read-back.
    std::vector<std::string> laterFrames() const {
        std::vector<std::string> frames = receivedFrames(m_sim);
        if (!frames.empty())
            frames.erase(frames.begin());
        return frames;
    }

    test_support::SharedMatrixSim m_sim;
    std::unique_ptr<MatrixdRun> m_matrixd;
};

struct EndpointCase {
    const char* name;
    std::vector<std::string> sim;
    std::string request; // "METHOD PATH", the path after /api/v1/matrices/hall unless it has /api
    std::string body;
    int status;
    std::string answer; // "{link}" stands for the pseudo-terminal
    std::vector<std::string> frames;
};

void PrintTo(const EndpointCase& c, std::ostream* os) {
    *os << c.name;
}

class EndpointAgainstSim : public MatrixdAgainstSim,
                           public testing::WithParamInterface<EndpointCase> {};

TEST_P(EndpointAgainstSim, AnswersWithWhatTheDeviceDid) {
    const EndpointCase& c = GetParam();
    start(c.sim);
    const auto blank = c.request.find(' ');
    std::string path = c.request.substr(blank + 1);
    if (path.rfind("/api", 0) != 0)
        path = "/api/v1/matrices/hall" + path;
    HttpAnswer answer = m_matrixd->call(c.request.substr(0, blank), path, c.body);
    std::string expected = c.answer;
    if (const auto at = expected.find("{link}"); at != std::string::npos)
        expected.replace(at, 6, m_sim.linkPath());
    EXPECT_EQ(answer.status, c.status);
    EXPECT_EQ(answer.body, expected);
    EXPECT_EQ(answer.fields["content-type"], "application/json");
    EXPECT_EQ(answer.fields["connection"], "close");
    EXPECT_EQ(laterFrames(), c.frames) << m_sim.Log();
}

const std::string kHall = "{\"name\": \"hall\", \"size\": 8, \"type\": \"HDMI Matrix\", "
                          "\"address\": 1, \"link\": \"serial:{link}\", \"state\": \"up\"";
const std::string kIn3 = R"({"input": 3})";
const std::string kRestore =
    R"({"size": 8, "address": 1, "crosspoints": [{"output": 5, "input": 3}]})";
const std::string kRead = "{\"size\": 8, \"address\": 1, \"crosspoints\": " + straight8() + "}";

std::string ports(int named, const char* name) {
    std::string text = "[";
    for (int n = 1; n <= 8; ++n)
        text += std::string(n > 1 ? ", " : "") + "{\"number\": " + std::to_string(n) +
                ", \"name\": \"" + (n == named ? name : "") + "\"}";
    return text + "]";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EndpointAgainstSim,
    testing::Values(
        EndpointCase{"Matrices", {}, "GET /api/v1/matrices", "", 200, "[" + kHall + "}]", {}},
        EndpointCase{"Matrix",
                     {},
                     "GET ",
                     "",
                     200,
                     kHall + ", \"inputs\": " + ports(3, "Camera 2") + ", \"outputs\": " +
                         ports(5, "Projector left") + ", \"crosspoints\": " + straight8() + "}",
                     {}},
        EndpointCase{"SwitchConfirmed",
                     {},
                     "PUT /outputs/5",
                     kIn3,
                     200,
                     R"({"output": 5, "input": 3})",
                     {kSwitch3To5}},
        EndpointCase{"SwitchRefused",
                     {"--refuse-output", "5"},
                     "PUT /outputs/5",
                     kIn3,
                     409,
                     R"({"error": "output 5 shows input 5, not input 3", "output": 5, "input": 5})",
                     {kSwitch3To5, kRead8}},
        EndpointCase{"SilentDevice",
                     {"--silent"},
                     "PUT /outputs/5",
                     kIn3,
                     504,
                     "{\"error\": \"no answer from the device within 300 ms to the switch of "
                     "input 3 to output 5\"}",
                     {kSwitch3To5, kRead8}},
        EndpointCase{"AnotherDeviceAnswers",
                     {"--reply-address", "5"},
                     "POST /read",
                     "",
                     502,
                     "{\"error\": \"answer from device 5, not device 1, to the read-back\"}",
                     {kRead8}},
        EndpointCase{"MalformedJson",
                     {},
                     "PUT /outputs/5",
                     R"({"input": })",
                     400,
                     "{\"error\": \"malformed JSON: object is missing after a comma at byte 11\"}",
                     {}},
        EndpointCase{"UnknownOutput",
                     {},
                     "PUT /outputs/9",
                     kIn3,
                     404,
                     "{\"error\": \"no output 9 on hall, a 8 × 8 matrix\"}",
                     {}},
        EndpointCase{"Read", {}, "POST /read", "", 200, kRead, {kRead8}},
        EndpointCase{"SceneSave",
                     {},
                     "POST /scenes/16/save",
                     "",
                     200,
                     R"({"scene": 16})",
                     {"serial BA 01 11 03 00 10 DF"}},
        EndpointCase{"SceneLoadReadsBack",
                     {},
                     "POST /scenes/1/load",
                     "",
                     200,
                     "{\"scene\": 1, " + kRead.substr(1),
                     {"serial BA 01 15 03 00 01 D4", kRead8}},
        EndpointCase{"Backup", {}, "GET /backup", "", 200, kRead, {kRead8}},
        EndpointCase{"Restore",
                     {},
                     "PUT /backup",
                     kRestore,
                     200,
                     R"({"switched": 1, "not_taken": []})",
                     {kSwitch3To5, kRead8}},
        EndpointCase{"RestoreNamesWhatDidNotTake",
                     {"--refuse-output", "5"},
                     "PUT /backup",
                     kRestore,
                     409,
                     "{\"error\": \"output 5 did not take: output 5 shows input 5, not 3\", "
                     "\"switched\": 1, \"not_taken\": [{\"output\": 5, \"wanted\": 3, "
                     "\"shown\": 5}]}",
                     {kSwitch3To5, kRead8}}),
    [](const testing::TestParamInfo<EndpointCase>& info) { return std::string(info.param.name); });

// Two clients send their switches at the same moment: each is answered with its own outcome,
// and the second goes on the line only once the first was answered.
TEST_F(MatrixdAgainstSim, TwoClientsSwitchingAtOnceAreBothConfirmedInOrder) {
    start();
    HttpAnswer first;
    HttpAnswer second;
    std::thread one([&] {
        first = m_matrixd->call("PUT", "/api/v1/matrices/hall/outputs/5", R"({"input": 3})");
    });
    std::thread two([&] {
        second = m_matrixd->call("PUT", "/api/v1/matrices/hall/outputs/6", R"({"input": 1})");
    });
    one.join();
    two.join();
    EXPECT_EQ(first.status, 200);
    EXPECT_EQ(second.status, 200);
    EXPECT_EQ(first.body, R"({"output": 5, "input": 3})");
    EXPECT_EQ(second.body, R"({"output": 6, "input": 1})");
    // matrix-sim logs each frame it receives and each answer: rx, tx, rx, tx.
    std::vector<std::string> directions;
    std::istringstream log(m_sim.Log());
    for (std::string line; std::getline(log, line);)
        if (line.find(" 01 04 A6 ") != std::string::npos)
            directions.push_back(line.substr(line.find(' ') + 1, 9));
    EXPECT_EQ(directions,
              (std::vector<std::string>{"serial rx", "serial tx", "serial rx", "serial tx"}))
        << m_sim.Log();
    EXPECT_TRUE(m_sim.WaitForState("crosspoints", "0 1 2 3 2 0 6 7"));
}

// The 65th request waiting behind a device that does not answer is refused at once.
TEST_F(MatrixdAgainstSim, AFullQueueAnswers503) {
    start({"--silent"}, {}, 5000);
    std::vector<std::thread> clients;
    std::atomic<int> busy{0};
    for (int n = 0; n < 70; ++n)
        clients.emplace_back([&] {
            if (m_matrixd->call("POST", "/api/v1/matrices/hall/read").status == 503)
                ++busy;
        });
    ASSERT_TRUE(test_support::waitUntil([&] { return busy >= 5; }, 10s)) << busy;
    HttpAnswer refused = m_matrixd->call("POST", "/api/v1/matrices/hall/read");
    EXPECT_EQ(refused.status, 503);
    EXPECT_EQ(refused.fields["retry-after"], "1");
    EXPECT_EQ(refused.body, "{\"error\": \"matrix hall is busy: 64 requests wait already; try "
                            "again\"}");
    m_matrixd.reset();
    for (std::thread& client : clients)
        client.join();
}

} // namespace
} // namespace matrixd_test
