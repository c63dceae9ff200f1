// Crosspoint backups and restores by the session's backup job, against matrix-sim on its
// pseudo-terminal: what the job reads back, which outputs it says did not take, and how it ends
// when the device is silent or another device answers.
#include "controller/session/backup_job.h"
#include "tests/controller_session/session_fixture.h"
#include "tests/support/shared_matrix_sim.h"

#include <sstream>

namespace controller::session_test {
namespace {

using Status = BackupJob::Result::Status;

struct BackupCase {
    const char* name;
    const char* sim; // matrix-sim's options
    int sizeIndex;   // MatrixSize of the session: 0 for 4x4, 1 for 8x8
    // The file to restore; empty for a save.
    std::string restore;
    Status status;
    // Save: the state read back as a file; restore: the outputs that did not take.
    std::string outcome;
    std::size_t switched;
    std::optional<std::uint8_t> answeredBy;
    const char* deviceAfter = ""; // the device's crosspoints afterwards
};

void PrintTo(const BackupCase& c, std::ostream* os) {
    *os << c.name;
}

const std::string kRestore = "{\"size\": 4, \"address\": 1, \"crosspoints\": [{\"output\": 1, "
                             "\"input\": 3}, {\"output\": 4, \"input\": 2}]}";
const std::string kFirstFour = "{\"output\": 1, \"input\": 1}, {\"output\": 2, \"input\": 2}, "
                               "{\"output\": 3, \"input\": 3}, {\"output\": 4, \"input\": 4}]}";

const BackupCase kBackupCases[] = {
    {"SaveReadsEveryOutputBack", "--size 4", 0, "", Status::Done,
     "{\"size\": 4, \"address\": 1, \"crosspoints\": [" + kFirstFour, 0, 1},
    // The 4x4 device names 4 outputs of the 8 asked for.
    {"SaveOfFewerOutputsThanTheMatrixHasIsIncomplete", "--size 4", 1, "", Status::Incomplete,
     "{\"size\": 8, \"address\": 1, \"crosspoints\": [" + kFirstFour, 0, 1},
    {"SaveFromASilentDeviceHasNoAnswer", "--size 4 --silent", 0, "", Status::NoAnswer, "", 0,
     std::nullopt},
    {"SaveAnsweredByDeviceFiveSaysSo", "--size 4 --reply-address 5", 0, "", Status::OtherAddress,
     "", 0, 5},
    {"RestoreSwitchesEachOutputAndNamesTheOneThatDidNotTake", "--size 4 --refuse-output 4", 0,
     kRestore, Status::Done, "output 4 did not take: output 4 shows input 4, not 2", 2, 1,
     "2 1 2 3"},
    {"RestoreStopsWhenTheFirstSwitchIsNotAnswered", "--size 4 --silent", 0, kRestore,
     Status::NoAnswer, "", 1, std::nullopt, "2 1 2 3"},
};

class BackupJobAgainstSim : public SessionTest, public testing::WithParamInterface<BackupCase> {};

TEST_P(BackupJobAgainstSim, EndsWithWhatTheDeviceReported) {
    const BackupCase& c = GetParam();
    std::vector<std::string> options;
    std::istringstream words(c.sim);
    for (std::string word; words >> word;)
        options.push_back(word);
    test_support::SharedMatrixSim sim(options);
    ASSERT_TRUE(sim.ready()) << sim.error();
    realPorts = true;
    writeSettings("[SYSTEM_SET]\r\nMatrixType=3\r\nMatrixSize=" + std::to_string(c.sizeIndex) +
                  "\r\n");
    MatrixSession& session = start(true);
    ASSERT_TRUE(session.openPort(sim.linkPath(), 9600));
    BackupJob job(session, {std::chrono::milliseconds(300), std::chrono::milliseconds(1000)});
    std::optional<BackupJob::Result> result;
    const auto done = [&](const BackupJob::Result& r) { result = r; };
    std::string error;
    if (c.restore.empty())
        job.save(done);
    else
        job.restore(*parseCrosspointJson(c.restore, error), done);
    ASSERT_TRUE(
        test_support::waitUntil([&] { return result.has_value(); }, std::chrono::seconds(5)))
        << sim.Log();
    EXPECT_EQ(result->status, c.status) << sim.Log();
    EXPECT_EQ(c.restore.empty() && result->read.size > 0 ? crosspointJson(result->read)
                                                         : notTakenText(result->notTaken),
              c.outcome);
    EXPECT_EQ(result->switched, c.switched);
    EXPECT_EQ(result->answeredBy, c.answeredBy);
    if (*c.deviceAfter) {
        EXPECT_TRUE(sim.WaitForState("crosspoints", c.deviceAfter)) << sim.State("crosspoints");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, BackupJobAgainstSim, testing::ValuesIn(kBackupCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace controller::session_test
