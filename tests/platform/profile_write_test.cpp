#include "platform/profile.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using test_support::TempDir;

struct WriteCase {
    const char* name;
    std::string before; // "<new>" for a file that does not exist yet
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

class ProfileWrite : public testing::TestWithParam<WriteCase> {};

TEST_P(ProfileWrite, ChangesOnlyTheKeysLine) {
    TempDir dir;
    const std::string path = dir.file("t.ini");
    if (GetParam().before != "<new>")
        TempDir::writeFile(path, GetParam().before);
    ASSERT_TRUE(
        platform::writeProfileString(GetParam().section, GetParam().key, GetParam().value, path));
    EXPECT_EQ(TempDir::readFile(path), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ProfileWrite,
    testing::Values(
        WriteCase{"NewFileGetsCrlf", "<new>", "SYSTEM_SET", "ProtocolType", "0",
                  "[SYSTEM_SET]\r\nProtocolType=0\r\n"},
        WriteCase{"EmptyFileGetsCrlf", "", "Net", "HostPort", "4069", "[Net]\r\nHostPort=4069\r\n"},
        WriteCase{"ReplacesInPlaceWithTheKeySpelledAsGiven",
                  "; kept\r\n[SYSTEM_SET]\r\nUseNet=1\r\n\r\n[net]\r\n  Destport = 5000 \r\n"
                  "HostPort=4069\r\n[Other]\r\nDestPort=1\r\n",
                  "Net", "DestPort", "4068",
                  "; kept\r\n[SYSTEM_SET]\r\nUseNet=1\r\n\r\n[net]\r\nDestPort=4068\r\n"
                  "HostPort=4069\r\n[Other]\r\nDestPort=1\r\n"},
        WriteCase{"AppendsAfterTheSectionsLastLineKeepingLf",
                  "[SYSTEM_SET]\nProtocolType=0\nnot an entry\n\n\n[Net]\nHostPort=4069\n",
                  "system_set", "SelectCOM", "2",
                  "[SYSTEM_SET]\nProtocolType=0\nnot an entry\nSelectCOM=2\n\n\n[Net]\n"
                  "HostPort=4069\n"},
        WriteCase{"AppendsRightAfterAnEmptySectionsHeader", "[A]\r\n[B]\r\nx=1\r\n", "A", "k", "v",
                  "[A]\r\nk=v\r\n[B]\r\nx=1\r\n"},
        WriteCase{"EndsAnUnterminatedLastLineBeforeAppending", "[A]\r\nx=1", "A", "k", "v",
                  "[A]\r\nx=1\r\nk=v\r\n"},
        WriteCase{"ReplacesAnUnterminatedLastLine", "[A]\nk=old", "A", "k", "new", "[A]\nk=new"},
        WriteCase{"CreatesTheSectionAtTheEnd", "[A]\nx=1\n", "Net", "DestIP", "10.0.0.2",
                  "[A]\nx=1\n[Net]\nDestIP=10.0.0.2\n"},
        // Found by fuzzing: a last line ending in a lone CR keeps every byte, gaining only LF.
        WriteCase{"EndsALastLineThatStopsAtALoneCarriageReturn", "[A]\nx=1\r", "A", "k", "v",
                  "[A]\nx=1\r\nk=v\n"},
        WriteCase{"CreatesTheSectionAfterAnUnterminatedLine", "[A]\r\nx=1", "B", "k", "v",
                  "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
        WriteCase{"ReplacesOnlyTheFirstDuplicate", "[A]\r\nk=1\r\nk=2\r\n[A]\r\nk=3\r\n", "A", "k",
                  "9", "[A]\r\nk=9\r\nk=2\r\n[A]\r\nk=3\r\n"},
        WriteCase{"AppendsToTheFirstDuplicateSection", "[A]\r\nx=1\r\n[A]\r\nk=2\r\n", "A", "k",
                  "v", "[A]\r\nx=1\r\nk=v\r\n[A]\r\nk=2\r\n"},
        WriteCase{"KeepsTheByteOrderMark", "\xEF\xBB\xBF[S]\r\nA=1\r\n", "S", "A", "2",
                  "\xEF\xBB\xBF[S]\r\nA=2\r\n"},
        WriteCase{"StartsASectionRightAfterALoneByteOrderMark", "\xEF\xBB\xBF", "S", "A", "1",
                  "\xEF\xBB\xBF[S]\r\nA=1\r\n"},
        WriteCase{"ValueMayHoldEqualsAndGbk", "<new>", "A", "k", "a=b\xC4\xA3",
                  "[A]\r\nk=a=b\xC4\xA3\r\n"},
        WriteCase{"CommentedKeyIsNotReplaced", "[A]\r\n;k=1\r\n", "A", "k", "2",
                  "[A]\r\n;k=1\r\nk=2\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileWrite, WrittenValueReadsBack) {
    TempDir dir;
    const std::string path = dir.file("t.ini");
    ASSERT_TRUE(platform::writeProfileString("Net", "NetIP", "192.168.1.10", path));
    ASSERT_TRUE(platform::writeProfileString("NET", "netip", "192.168.1.11", path));
    ASSERT_TRUE(platform::writeProfileString("Net", "HostPort", "-12", path));
    EXPECT_EQ(platform::getProfileString("Net", "NetIP", "", 19, path), "192.168.1.11");
    EXPECT_EQ(platform::getProfileInt("Net", "HostPort", 0, path), -12);
    EXPECT_EQ(TempDir::readFile(path), "[Net]\r\nnetip=192.168.1.11\r\nHostPort=-12\r\n");
}

TEST(ProfileWrite, ReportsFailureAndLeavesEverythingAloneWhenTheFileCannotBeWritten) {
    TempDir dir;
    TempDir::writeFile(dir.file("plain"), "[A]\r\nk=1\r\n");
    ::mkdir(dir.file("folder.ini").c_str(), 0755);
    for (const std::string& path : {dir.file("missing/t.ini"), dir.file("plain") + "/t.ini",
                                    dir.file("folder.ini"), dir.path(), std::string()}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(platform::writeProfileString("A", "k", "2", path));
    }
    EXPECT_FALSE(TempDir::exists(dir.file("missing")));
    EXPECT_EQ(TempDir::readFile(dir.file("plain")), "[A]\r\nk=1\r\n");
}

TEST(ProfileWrite, RefusesNamesAndValuesThatWouldBreakTheLines) {
    TempDir dir;
    const std::string path = dir.file("t.ini");
    const std::string before = "[A]\r\nk=1\r\n";
    TempDir::writeFile(path, before);
    EXPECT_FALSE(platform::writeProfileString("A", "k", "1\r\n[B]", path));
    EXPECT_FALSE(platform::writeProfileString("A", "k\nx", "1", path));
    EXPECT_FALSE(platform::writeProfileString("A", "k=x", "1", path));
    EXPECT_FALSE(platform::writeProfileString("A", "[k", "1", path));
    EXPECT_FALSE(platform::writeProfileString("A", ";k", "1", path));
    EXPECT_FALSE(platform::writeProfileString("A", "  ", "1", path));
    EXPECT_FALSE(platform::writeProfileString("A]", "k", "1", path));
    EXPECT_FALSE(platform::writeProfileString("", "k", "1", path));
    EXPECT_EQ(TempDir::readFile(path), before);
}

TEST(ProfileWrite, ReadOnlyFileIsReportedAndKept) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes read-only files anyway; shown only when run as a user";
    TempDir dir;
    const std::string path = dir.file("t.ini");
    TempDir::writeFile(path, "[A]\r\nk=1\r\n");
    ::chmod(path.c_str(), 0444);
    EXPECT_FALSE(platform::writeProfileString("A", "k", "2", path));
    EXPECT_EQ(platform::getProfileInt("A", "k", 0, path), 1);
}

} // namespace
