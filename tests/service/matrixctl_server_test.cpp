// matrixctl --server: the same commands, output and exit status as on the line, through
// matrixd, which holds the line meanwhile.
#include "tests/service/matrixd_run.h"
#include "tests/support/wait_for.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace matrixd_test {
namespace {

using namespace std::chrono_literals;

const char* const kMatrixctl = MATRIX_BIN_DIR "/matrixctl";
const std::string kToken = "s3cret-Token";

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class MatrixctlServerAgainstSim : public testing::Test {
protected:
    void start(const std::vector<std::string>& simArgs) {
        ASSERT_TRUE(m_sim.Reset(hallDevice(simArgs))) << m_sim.error();
        m_matrixd = std::make_unique<MatrixdRun>(hallConfig("Token=" + kToken), m_sim.linkPath());
        ASSERT_TRUE(m_matrixd->ready()) << m_matrixd->output();
    }
    Outcome run(const std::vector<std::string>& args, const QString& tokenVariable = {}) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("MATRIXD_TOKEN"));
        if (!tokenVariable.isEmpty())
            environment.insert(QStringLiteral("MATRIXD_TOKEN"), tokenVariable);
        process.setProcessEnvironment(environment);
        QStringList arguments{"--server", QString::fromStdString(m_matrixd->url())};
        for (const std::string& a : args)
            arguments << QString::fromStdString(a);
        process.start(kMatrixctl, arguments);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(30000));
        return {process.exitCode(), process.readAllStandardOutput().toStdString(),
                process.readAllStandardError().toStdString()};
    }

    test_support::TempDir m_dir;
    test_support::SharedMatrixSim m_sim;
    std::unique_ptr<MatrixdRun> m_matrixd;
};

std::string eightOutputs(int output = 0, int input = 0) {
    std::string text;
    for (int o = 1; o <= 8; ++o) {
        const int in = o == output ? input : o;
        text += "output " + std::to_string(o) + (o == 5 ? " (Projector left)" : "") + ": input " +
                std::to_string(in) + (in == 3 ? " (Camera 2)" : "") + "\n";
    }
    return text;
}

struct CommandCase {
    const char* name;
    std::vector<std::string> sim;
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string err;
};

void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << c.name;
}

class CommandAgainstSim : public MatrixctlServerAgainstSim,
                          public testing::WithParamInterface<CommandCase> {};

TEST_P(CommandAgainstSim, SaysWhatItSaysOnTheLine) {
    const CommandCase& c = GetParam();
    start(c.sim);
    test_support::TempDir::writeFile(
        m_dir.file("backup.json"),
        R"({"size": 8, "address": 1, "crosspoints": [{"output": 5, "input": 3}]})");
    std::vector<std::string> args{"--token", kToken};
    args.insert(args.end(), c.args.begin(), c.args.end());
    for (std::string& a : args)
        if (a == "{backup}")
            a = m_dir.file("backup.json");
    const Outcome result = run(args);
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, c.err);
}

const std::string kStraightJson =
    "{\"size\": 8, \"address\": 1, \"crosspoints\": [{\"output\": 1, \"input\": 1}, {\"output\": "
    "2, \"input\": 2}, {\"output\": 3, \"input\": 3}, {\"output\": 4, \"input\": 4}, "
    "{\"output\": 5, \"input\": 5}, {\"output\": 6, \"input\": 6}, {\"output\": 7, \"input\": 7}, "
    "{\"output\": 8, \"input\": 8}]}\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandAgainstSim,
    testing::Values(
        CommandCase{"Switch", {}, {"switch", "3", "5", "1", "2"}, 0, "", ""},
        CommandCase{"Read", {}, {"read"}, 0, eightOutputs(), ""},
        CommandCase{"ReadJson", {}, {"--matrix", "hall", "--json", "read"}, 0, kStraightJson, ""},
        CommandCase{"SceneLoadReadsBack", {}, {"scene", "load", "2"}, 0, eightOutputs(), ""},
        CommandCase{"Dump", {}, {"dump", "-"}, 0, kStraightJson, ""},
        CommandCase{"Restore", {}, {"restore", "{backup}"}, 0, "", ""},
        CommandCase{"Refused",
                    {"--refuse-output", "5"},
                    {"switch", "3", "5"},
                    1,
                    "",
                    "matrixctl: output 5 shows input 5, not input 3\n"},
        CommandCase{"Silent",
                    {"--silent"},
                    {"switch", "3", "5"},
                    1,
                    "",
                    "matrixctl: no answer from the device within 300 ms to the switch of input 3 "
                    "to output 5\n"},
        CommandCase{"OutOfRange",
                    {},
                    {"switch", "9", "1"},
                    2,
                    "",
                    "matrixctl: input 9 is out of range: 1 to 8 on this 8 × 8 matrix\n"},
        CommandCase{"UnknownMatrix",
                    {},
                    {"--matrix", "stage", "read"},
                    2,
                    "",
                    "matrixctl: no matrix named \"stage\"\n"}),
    [](const testing::TestParamInfo<CommandCase>& info) { return std::string(info.param.name); });

TEST_F(MatrixctlServerAgainstSim, TheTokenComesFromTheCommandLineOrTheEnvironment) {
    start({});
    const Outcome without = run({"read"});
    EXPECT_EQ(without.status, 2);
    EXPECT_EQ(without.err, "matrixctl: a token is needed: Authorization: Bearer TOKEN\n");
    const Outcome fromEnvironment = run({"read"}, QString::fromStdString(kToken));
    EXPECT_EQ(fromEnvironment.status, 0) << fromEnvironment.err;
    EXPECT_EQ(fromEnvironment.out, eightOutputs());
}

TEST_F(MatrixctlServerAgainstSim, MonitorShowsTheChangesOfEveryClient) {
    start({});
    QProcess monitor;
    monitor.start(kMatrixctl, {"--server", QString::fromStdString(m_matrixd->url()), "--token",
                               QString::fromStdString(kToken), "monitor"});
    ASSERT_TRUE(monitor.waitForStarted());
    std::string out;
    // Typed commands go through matrixd as well, and their changes come back as events (once
    // monitor listens: until then the switches go to and fro).
    auto pace = std::chrono::steady_clock::now();
    ASSERT_TRUE(test_support::waitUntil(
        [&] {
            if (std::chrono::steady_clock::now() >= pace) {
                monitor.write("switch 3 5\nswitch 5 5\n");
                pace += 300ms;
            }
            out += monitor.readAllStandardOutput().toStdString();
            return out.find("hall --  output 5 (Projector left): input 3 (Camera 2)\n") !=
                   std::string::npos;
        },
        10s))
        << out << monitor.readAllStandardError().toStdString();
    m_matrixd->call("PUT", "/api/v1/matrices/hall/outputs/1", R"({"input": 2})",
                    "Authorization: Bearer " + kToken + "\r\n");
    ASSERT_TRUE(test_support::waitUntil(
        [&] {
            out += monitor.readAllStandardOutput().toStdString();
            return out.find("hall --  output 1: input 2\n") != std::string::npos;
        },
        10s))
        << out;
    monitor.terminate();
    ASSERT_TRUE(monitor.waitForFinished(10000));
    EXPECT_EQ(monitor.exitCode(), 0) << monitor.readAllStandardError().toStdString();
}

} // namespace
} // namespace matrixd_test
