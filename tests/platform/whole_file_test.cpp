#include "platform/profile.h"
#include "platform/whole_file.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using test_support::TempDir;

mode_t modeOf(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

std::size_t entriesIn(const std::string& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

TEST(WholeFileWrite, KeepsTheFilesModeAndGivesANewFileTheUsualOne) {
    TempDir dir;
    const std::string path = dir.file("t.ini");
    TempDir::writeFile(path, "[A]\r\nk=1\r\n");
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(platform::writeProfileString("A", "k", "2", path));
    EXPECT_EQ(modeOf(path), 0640u);
    // Writing what the file holds already leaves it alone: no new file takes its place.
    struct stat before {};
    struct stat after {};
    ::stat(path.c_str(), &before);
    ASSERT_TRUE(platform::writeProfileString("A", "k", "2", path));
    ::stat(path.c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino);

    const mode_t mask = ::umask(022);
    ASSERT_TRUE(platform::writeWholeFile(dir.file("new.ini"), "x"));
    ::umask(mask);
    EXPECT_EQ(modeOf(dir.file("new.ini")), 0644u);
    EXPECT_EQ(entriesIn(dir.path()), 2u) << "a temporary file stays behind";
}

TEST(WholeFileWrite, WritesThroughASymbolicLinkWhichStaysALink) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("real"));
    TempDir::writeFile(dir.file("real/Setting.ini"), "[A]\r\nk=1\r\n");
    std::filesystem::create_symlink("real/Setting.ini", dir.file("Setting.ini"));
    std::filesystem::create_symlink("real/missing.ini", dir.file("dangling.ini"));

    ASSERT_TRUE(platform::writeProfileString("A", "k", "2", dir.file("Setting.ini")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("Setting.ini")));
    EXPECT_EQ(TempDir::readFile(dir.file("real/Setting.ini")), "[A]\r\nk=2\r\n");

    ASSERT_TRUE(platform::writeWholeFile(dir.file("dangling.ini"), "made"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("dangling.ini")));
    EXPECT_EQ(TempDir::readFile(dir.file("real/missing.ini")), "made");
}

// A disk that fills up part-way: the file size limit makes every write beyond it fail, as a full
// disk does. The write is made in a child process so that the limit stays there.
TEST(WholeFileWrite, WriteFailingPartWayLeavesTheOldFileWhole) {
    TempDir dir;
    const std::string path = dir.file("Setting.ini");
    const std::string before = "[SYSTEM_SET]\r\nProtocolType=0\r\nSelectBAUD=2\r\n";
    TempDir::writeFile(path, before);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{16, 16};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const bool written = platform::writeProfileString("SYSTEM_SET", "SelectCOM", "3", path);
        ::_exit(written ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write was reported as done";
    EXPECT_EQ(TempDir::readFile(path), before);
    EXPECT_EQ(entriesIn(dir.path()), 1u) << "a temporary file stays behind";
}

} // namespace
