#include "controller/session/settings_file.h"

#include "tests/support/prompt_recorder.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using controller::ControllerSettings;
using controller::SettingsFile;
using test_support::PromptRecorder;
using test_support::TempDir;

const std::string kCannotOpen = "Unable to open the INI file, the default values will be loaded!";

// A Setting.ini nobody here wrote, what loading it must give, and the whole file after the
// operator picks 19200 baud: only the SelectBAUD entry (and ProtocolType, written with every
// save) may change, every other byte stays.
struct HostileFile {
    std::string before;
    std::int32_t selectBaud;
    std::int32_t matrixType;
    std::string destIp;
    std::int32_t destPort;
    std::string after;
};

struct HostileCase {
    const char* name;
    HostileFile (*make)();
};

void PrintTo(const HostileCase& c, std::ostream* os) {
    *os << c.name;
}

// Ten megabytes of another program's section before ours.
HostileFile huge() {
    std::string junk = "[Other]\r\n";
    for (int i = 0; junk.size() < 10 * 1024 * 1024; ++i)
        junk += "key" + std::to_string(i) + "=" + std::string(80, 'v') + "\r\n";
    const std::string head = junk + "[SYSTEM_SET]\r\nProtocolType=0\r\n";
    const std::string tail = "\r\nMatrixType=4\r\n[Net]\r\nDestIP=10.0.0.7\r\nDestport=5000\r\n";
    return {head + "SelectBAUD=1" + tail, 1, 4, "10.0.0.7", 5000, head + "SelectBAUD=3" + tail};
}

// Control bytes, zero bytes, broken UTF-8, lone carriage returns and keys that only look right.
HostileFile binary() {
    using namespace std::string_literals;
    const std::string head =
        "\x00\xFF\xFE\x01\r\n[SYSTEM_SET]\r\nProtocolType=0\r\n\x01\x02=\x03\r\n"
        "\xC3\x28\xA0\xA1\r\n"s;
    const std::string tail =
        "\r\n\x00MatrixType=9\r\nMatrixType=4\r\n\r\r\r\n\xFF[Net]\r\n"
        "[Net]\r\nGateIP=\x00\x01\x02\r\nDestIP=10.0.0.7\r\nDestport=50x00\r\n"s;
    return {head + "SelectBAUD=1" + tail, 1, 4, "10.0.0.7", 50, head + "SelectBAUD=3" + tail};
}

// Entries without any section belong to none: everything takes its default, and the save adds
// the section at the end.
HostileFile withoutSections() {
    const std::string before = "SelectBAUD=1\r\nMatrixType=4\r\nDestIP=10.0.0.7\r\n";
    return {before, 0, 0, "", 4068, before + "[SYSTEM_SET]\r\nProtocolType=0\r\nSelectBAUD=3\r\n"};
}

// The first of duplicated keys and sections wins: a repeated section is not read, even for keys
// the first one lacks, and only the first entry is rewritten.
HostileFile duplicated() {
    const std::string head = "[SYSTEM_SET]\r\nProtocolType=0\r\n";
    const std::string tail = "\r\nSelectBAUD=2\r\n[Net]\r\nDestIP=10.0.0.7\r\n[system_set]\r\n"
                             "SelectBAUD=0\r\nMatrixType=4\r\n[NET]\r\nDestIP=10.9.9.9\r\n"
                             "DestPort=5000\r\n[SYSTEM_SET]\r\nMatrixType=5\r\n";
    return {head + "SelectBAUD=1" + tail, 1, 0, "10.0.0.7", 4068, head + "SelectBAUD=3" + tail};
}

// Lines of a megabyte: a comment, a number followed by blanks, an address cut to 19 characters.
HostileFile longLines() {
    const std::string head = "[SYSTEM_SET]\r\nProtocolType=0\r\n;" + std::string(1 << 20, 'c') +
                             "\r\n" + std::string(1 << 20, 'x') + "\r\n";
    const std::string tail = "\r\nMatrixType=4" + std::string(1 << 20, ' ') +
                             "x\r\n[Net]\r\nDestIP=" + std::string(1 << 20, '1') + "\r\n";
    return {head + "SelectBAUD=1" + tail, 1,    4,
            std::string(19, '1'),         4068, head + "SelectBAUD=3" + tail};
}

class HostileSettingsFile : public testing::TestWithParam<HostileCase> {};

TEST_P(HostileSettingsFile, LoadsWhatTheRulesGiveAndASaveChangesOnlyItsOwnLines) {
    const HostileFile f = GetParam().make();
    TempDir dir;
    SettingsFile file(dir.path());
    TempDir::writeFile(file.path(), f.before);
    PromptRecorder prompts;

    const auto started = std::chrono::steady_clock::now();
    ControllerSettings s = file.load(prompts);
    EXPECT_EQ(s.selectBaud, f.selectBaud);
    EXPECT_EQ(s.matrixType, f.matrixType);
    EXPECT_EQ(s.destIp, f.destIp);
    EXPECT_EQ(s.destPort, f.destPort);
    EXPECT_EQ(s.protocolType, 0);

    s.selectBaud = 3;
    file.save(SettingsFile::kSelectBaud, s, prompts);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    EXPECT_TRUE(prompts.prompts.empty());
    // Compared whole; on a mismatch only the sizes are printed, not megabytes of text.
    const std::string after = TempDir::readFile(file.path());
    EXPECT_TRUE(after == f.after) << "file of " << after.size() << " bytes, expected "
                                  << f.after.size();
    EXPECT_EQ(file.load(prompts).selectBaud, 3);
}

INSTANTIATE_TEST_SUITE_P(Files, HostileSettingsFile,
                         testing::Values(HostileCase{"Huge", huge}, HostileCase{"Binary", binary},
                                         HostileCase{"WithoutSections", withoutSections},
                                         HostileCase{"Duplicated", duplicated},
                                         HostileCase{"LongLines", longLines}),
                         [](const auto& info) { return std::string(info.param.name); });

// A named pipe where the file should be: opened without blocking, read as empty, never written.
TEST(HostileSettingsFile, PipeInPlaceOfTheFileGivesDefaultsWithoutWaiting) {
    TempDir dir;
    SettingsFile file(dir.path());
    ASSERT_EQ(::mkfifo(file.path().c_str(), 0644), 0);
    PromptRecorder prompts;
    const auto started = std::chrono::steady_clock::now();
    ControllerSettings s = file.load(prompts);
    EXPECT_EQ(s, ControllerSettings());
    s.selectBaud = 3;
    file.save(SettingsFile::kSelectBaud, s, prompts);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    struct stat info {};
    ASSERT_EQ(::stat(file.path().c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

// A folder where no file can be made: the operator is told on every load and save, the defaults
// apply, and nothing appears.
TEST(HostileSettingsFile, ReadOnlyFolderIsAnnouncedAndDefaultsApply) {
    TempDir dir;
    const std::string folder = dir.unwritableFolder();
    ASSERT_FALSE(folder.empty());
    SettingsFile file(folder);
    PromptRecorder prompts;
    ControllerSettings s = file.load(prompts);
    EXPECT_EQ(s, ControllerSettings());
    s.useNet = 1;
    file.save(SettingsFile::kUseNet, s, prompts);
    EXPECT_EQ(prompts.texts(), (std::vector<std::string>{kCannotOpen, kCannotOpen}));
    EXPECT_FALSE(TempDir::exists(file.path()));
}

TEST(HostileSettingsFile, UnreadableFileIsAnnouncedAndDefaultsApply) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads and writes a file without permissions; shown only as a user";
    TempDir dir;
    SettingsFile file(dir.path());
    TempDir::writeFile(file.path(), "[SYSTEM_SET]\r\nMatrixType=4\r\n");
    ASSERT_EQ(::chmod(file.path().c_str(), 0), 0);
    PromptRecorder prompts;
    ControllerSettings s = file.load(prompts);
    EXPECT_EQ(s, ControllerSettings());
    file.save(SettingsFile::kMatrixType, s, prompts);
    EXPECT_EQ(prompts.texts(), (std::vector<std::string>{kCannotOpen, kCannotOpen}));
    ::chmod(file.path().c_str(), 0600);
    EXPECT_EQ(TempDir::readFile(file.path()), "[SYSTEM_SET]\r\nMatrixType=4\r\n");
}

} // namespace
