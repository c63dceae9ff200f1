#include "terminal_setup/session/tool_settings_file.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using terminal_setup::ToolSettings;
using terminal_setup::ToolSettingsFile;
using test_support::TempDir;

// A Quellin.ini nobody here wrote, what the start-up load must give, and the whole file after the
// window saves {224.0.0.41, 192.0.2.9, 4321}: the three Net entries change, nothing else does.
struct HostileFile {
    std::string before;
    ToolSettings loaded;
    int autoId;
    std::string after;
};

struct HostileCase {
    const char* name;
    HostileFile (*make)();
};

void PrintTo(const HostileCase& c, std::ostream* os) {
    *os << c.name;
}

const ToolSettings kSaved{"224.0.0.41", "192.0.2.9", 4321};

// Ten megabytes of another section before ours.
HostileFile huge() {
    std::string junk = "[Other]\r\n";
    for (int i = 0; junk.size() < 10 * 1024 * 1024; ++i)
        junk += "key" + std::to_string(i) + "=" + std::string(80, 'v') + "\r\n";
    const std::string tail = "\r\n[COMM]\r\nAUTOID=7\r\n";
    return {junk + "[Net]\r\nNetIP=239.1.1.1\r\nTestIP=192.0.2.1\r\nNetPort=8000" + tail,
            {"224.0.0.41", "192.0.2.1", 8000},
            7,
            junk + "[Net]\r\nNetIP=224.0.0.41\r\nTestIP=192.0.2.9\r\nNetPort=4321" + tail};
}

// A value ends at a NUL byte, so the counter that starts with one is empty and reads as missing.
HostileFile binary() {
    using namespace std::string_literals;
    const std::string head = "\x00\x01\xFF\n[Net]\n\x80\x81=\x82\n\x00TestIP=bad\nNetIP="s;
    const std::string middle = "\n\r\r\n\xC3\x28\nTestIP="s;
    const std::string tail = "\n[COMM]\nAUTOID=\x00\x31\n"s;
    return {head + "\x01\x02" + middle + "192.0.2.1\nNetPort=80x" + tail,
            {"224.0.0.41", "192.0.2.1", 80},
            1,
            head + "224.0.0.41" + middle + "192.0.2.9\nNetPort=4321" + tail};
}

// Entries outside any section count for nothing; the save adds the section at the end.
HostileFile withoutSections() {
    const std::string before = "NetIP=239.1.1.1\r\nTestIP=192.0.2.1\r\nNetPort=8000\r\n";
    return {before,
            {"224.0.0.41", "", 8866},
            1,
            before + "[Net]\r\nNetIP=224.0.0.41\r\nTestIP=192.0.2.9\r\nNetPort=4321\r\n"};
}

// The first of duplicated keys and sections wins: a later copy of the section is not read, even
// for keys the first one lacks, and the save writes into the first.
HostileFile duplicated() {
    const std::string first = "[Net]\r\nTestIP=";
    const std::string second = "\r\nTestIP=192.0.2.2\r\n";
    const std::string rest =
        "[COMM]\r\nAUTOID=3\r\nAUTOID=4\r\n[net]\r\nNetPort=8000\r\nNetIP=x\r\n"
        "[NET]\r\nNetPort=9\r\nNetIP=239.0.0.1\r\n";
    return {first + "192.0.2.1" + second + rest,
            {"224.0.0.41", "192.0.2.1", 8866},
            3,
            first + "192.0.2.9" + second + "NetIP=224.0.0.41\r\nNetPort=4321\r\n" + rest};
}

// Lines of a megabyte: an address cut to 19 characters, a number followed by blanks.
HostileFile longLines() {
    const std::string comment = ";" + std::string(1 << 20, 'c') + "\r\n";
    const std::string blanks = std::string(1 << 20, ' ') + "x";
    return {"[Net]\r\n" + comment + "TestIP=" + std::string(1 << 20, '1') + "\r\nNetPort=8000" +
                blanks + "\r\n",
            {"224.0.0.41", std::string(19, '1'), 8000},
            1,
            "[Net]\r\n" + comment + "TestIP=192.0.2.9\r\nNetPort=4321\r\nNetIP=224.0.0.41\r\n"};
}

class HostileToolSettingsFile : public testing::TestWithParam<HostileCase> {};

TEST_P(HostileToolSettingsFile, LoadsWhatTheRulesGiveAndASaveChangesOnlyItsOwnLines) {
    const HostileFile f = GetParam().make();
    TempDir dir;
    const ToolSettingsFile file(dir.path());
    TempDir::writeFile(file.path(), f.before);

    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(file.load(), f.loaded);
    EXPECT_EQ(file.loadAutoId(), f.autoId);
    file.save(kSaved);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    // Compared whole; on a mismatch only the sizes are printed, not megabytes of text.
    const std::string after = TempDir::readFile(file.path());
    EXPECT_TRUE(after == f.after) << "file of " << after.size() << " bytes, expected "
                                  << f.after.size();
    EXPECT_EQ(file.load(), kSaved);
}

INSTANTIATE_TEST_SUITE_P(Files, HostileToolSettingsFile,
                         testing::Values(HostileCase{"Huge", huge}, HostileCase{"Binary", binary},
                                         HostileCase{"WithoutSections", withoutSections},
                                         HostileCase{"Duplicated", duplicated},
                                         HostileCase{"LongLines", longLines}),
                         [](const auto& info) { return std::string(info.param.name); });

// Neither a pipe nor a folder in place of the file holds the window up or turns into a file.
TEST(HostileToolSettingsFile, PipeOrFolderInPlaceOfTheFileGiveTheDefaultsOfAReadAtOnce) {
    TempDir dir;
    const std::string pipeFolder = dir.file("pipe");
    const std::string folderFolder = dir.file("folder");
    ASSERT_EQ(::mkdir(pipeFolder.c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(folderFolder.c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo((pipeFolder + "/Quellin.ini").c_str(), 0644), 0);
    ASSERT_EQ(::mkdir((folderFolder + "/Quellin.ini").c_str(), 0755), 0);

    for (const std::string& folder : {pipeFolder, folderFolder}) {
        SCOPED_TRACE(folder);
        const ToolSettingsFile file(folder);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(file.load(), (ToolSettings{"224.0.0.41", "", 8866}));
        file.save(kSaved);
        file.saveAutoId(5);
        EXPECT_EQ(file.loadAutoId(), 1);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
        struct stat info {};
        ASSERT_EQ(::stat(file.path().c_str(), &info), 0);
        EXPECT_FALSE(S_ISREG(info.st_mode));
    }
}

// A read-only folder without the file: the first run cannot keep its values and simply runs
// with the defaults.
TEST(HostileToolSettingsFile, ReadOnlyFolderRunsWithTheDefaults) {
    TempDir dir;
    const std::string folder = dir.unwritableFolder();
    ASSERT_FALSE(folder.empty());
    const ToolSettingsFile file(folder);
    EXPECT_EQ(file.load(), (ToolSettings{"224.0.0.41", "", 8866}));
    file.save(kSaved);
    EXPECT_EQ(file.loadAutoId(), 1);
    EXPECT_FALSE(TempDir::exists(file.path()));
}

} // namespace
