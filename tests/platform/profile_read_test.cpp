#include "platform/profile.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

using test_support::TempDir;

struct StringCase {
    const char* name;
    std::string file;
    const char* section;
    const char* key;
    std::string expected; // the default is "<none>"
};

class ProfileStringRead : public testing::TestWithParam<StringCase> {};

TEST_P(ProfileStringRead, FindsTheValueTheWayWindowsDoes) {
    TempDir dir;
    const std::string path = dir.file("t.ini");
    TempDir::writeFile(path, GetParam().file);
    EXPECT_EQ(platform::getProfileString(GetParam().section, GetParam().key, "<none>", 255, path),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ProfileStringRead,
    testing::Values(
        StringCase{"CrlfFile", "[Net]\r\nDestIP=10.0.0.9\r\nHostPort=4069\r\n", "Net", "DestIP",
                   "10.0.0.9"},
        StringCase{"LfFile", "[Net]\nDestIP=10.0.0.9\nHostPort=4069\n", "Net", "DestIP",
                   "10.0.0.9"},
        StringCase{"LastLineWithoutNewline", "[Net]\r\nDestIP=10.0.0.9", "Net", "DestIP",
                   "10.0.0.9"},
        StringCase{"SectionAndKeyIgnoreCase", "[net]\r\nDESTIP=1.2.3.4\r\n", "NET", "destip",
                   "1.2.3.4"},
        StringCase{"BlanksAroundNamesAndValueTrimmed", "  [ Net ]  \r\n\t DestIP \t=  1.2.3.4 \r\n",
                   "Net", "DestIP", "1.2.3.4"},
        StringCase{"BlanksInsideValueKept", "[A]\r\nk=a b  c\r\n", "A", "k", "a b  c"},
        StringCase{"ValueMayHoldEquals", "[A]\r\nk=x=y==z\r\n", "A", "k", "x=y==z"},
        StringCase{"MatchingQuotesDropped", "[A]\r\nk=\"quoted \"\r\nj='x'\r\n", "A", "k",
                   "quoted "},
        StringCase{"UnmatchedQuoteKept", "[A]\r\nk=\"open\r\n", "A", "k", "\"open"},
        StringCase{"EmptyValueIsNotTheDefault", "[A]\r\nk=\r\n", "A", "k", ""},
        StringCase{"FirstDuplicateKeyWins", "[A]\r\nk=1\r\nk=2\r\n", "A", "k", "1"},
        StringCase{"FirstDuplicateSectionWins", "[A]\r\nk=1\r\n[A]\r\nk=2\r\n", "A", "k", "1"},
        StringCase{"KeyOnlyInLaterDuplicateSectionIsMissing", "[A]\r\nj=1\r\n[B]\r\n[a]\r\nk=2\r\n",
                   "A", "k", "<none>"},
        StringCase{"ByteOrderMarkSkipped", "\xEF\xBB\xBF[S]\r\nA=1\r\n", "S", "A", "1"},
        StringCase{"SectionNameRunsToTheLastBracket", "[B]x]\r\nk=1\r\n[B]\r\nk=2\r\n", "B", "k",
                   "2"},
        StringCase{"KeyOfAnotherSectionNotFound", "[A]\r\nx=1\r\n[B]\r\nk=2\r\n", "A", "k",
                   "<none>"},
        StringCase{"KeyBeforeAnySectionNotFound", "k=0\r\n[A]\r\nx=1\r\n", "A", "k", "<none>"},
        StringCase{"CommentedEntryNotRead", "[A]\r\n;k=1\r\n  ; k=2\r\n", "A", "k", "<none>"},
        StringCase{"LineWithoutEqualsNotAKey", "[A]\r\nk\r\n", "A", "k", "<none>"},
        StringCase{"SectionWithoutClosingBracketNotASection", "[A\r\nk=1\r\n", "A", "k", "<none>"},
        StringCase{"GbkBytesCarriedAsTheyAre", "[A]\r\nk=\xC4\xA3\xCA\xBD\r\n", "A", "k",
                   "\xC4\xA3\xCA\xBD"},
        StringCase{"NulByteDoesNotEndTheFile", std::string("[A]\r\nx=\0\r\nk=7\r\n", 15), "A", "k",
                   "7"},
        StringCase{"NulByteEndsTheValue", std::string("[A]\r\nk=2\0003\r\n", 13), "A", "k", "2"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileString, CutsValueAndDefaultToTheCallersLimit) {
    TempDir dir;
    const std::string path = dir.file("t.ini");
    TempDir::writeFile(path, "[Net]\r\nDestIP=192.168.100.200:40681\r\n");
    EXPECT_EQ(platform::getProfileString("Net", "DestIP", "", 19, path), "192.168.100.200:406");
    EXPECT_EQ(platform::getProfileString("Net", "DestIP", "", 0, path), "");
    EXPECT_EQ(platform::getProfileString("Net", "GateIP", "0123456789", 4, path), "0123");
    // Never half of a GBK character; a default loses its trailing spaces.
    TempDir::writeFile(path, "[A]\r\nk=\xC4\xA3\xCA\xBD\r\n");
    EXPECT_EQ(platform::getProfileString("A", "k", "", 3, path), "\xC4\xA3");
    EXPECT_EQ(platform::getProfileString("A", "j", "ab  ", 255, path), "ab");
}

TEST(ProfileString, GivesTheDefaultWhenTheFileCannotBeRead) {
    TempDir dir;
    TempDir::writeFile(dir.file("plain"), "[A]\r\nk=1\r\n");
    for (const std::string& path :
         {dir.file("missing.ini"), dir.path(), dir.file("plain") + "/t.ini", std::string()}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(platform::getProfileString("A", "k", "dflt", 255, path), "dflt");
        EXPECT_EQ(platform::getProfileInt("A", "k", 42, path), 42);
    }
    EXPECT_FALSE(TempDir::exists(dir.file("missing.ini")));
}

TEST(ProfileString, ReadsPastHugeBinaryContentQuickly) {
    TempDir dir;
    const std::string path = dir.file("big.ini");
    std::string bytes;
    bytes.reserve(11u << 20);
    for (int i = 0; bytes.size() < (10u << 20); ++i) {
        bytes += "[S";
        bytes += std::to_string(i);
        bytes += "]\n";
        bytes += std::string(2000, static_cast<char>(i % 256)); // long line of raw bytes
        bytes += "\r\n=\r\r\n[\n";
    }
    bytes += "[Net]\nDestPort=5000";
    TempDir::writeFile(path, bytes);
    EXPECT_EQ(platform::getProfileInt("net", "destport", 0, path), 5000);
    EXPECT_TRUE(platform::writeProfileString("Net", "HostPort", "4069", path));
    EXPECT_EQ(platform::getProfileInt("Net", "HostPort", 0, path), 4069);
    EXPECT_EQ(TempDir::readFile(path), bytes + "\nHostPort=4069\n");
}

struct IntCase {
    const char* text;
    int expected;
};

class ProfileIntRead : public testing::TestWithParam<IntCase> {};

TEST_P(ProfileIntRead, ReadsLeadingDigitsOfTheirBase) {
    TempDir dir;
    const std::string path = dir.file("t.ini");
    TempDir::writeFile(path, std::string("[SYSTEM_SET]\r\nIdleTime=") + GetParam().text + "\r\n");
    EXPECT_EQ(platform::getProfileInt("SYSTEM_SET", "IdleTime", -99, path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ProfileIntRead,
    testing::Values(IntCase{"12", 12}, IntCase{"  7  ", 7}, IntCase{"-3", -3}, IntCase{"+5", 5},
                    IntCase{"12abc", 12}, IntCase{"abc", 0}, IntCase{"-", 0}, IntCase{"- 4", 0},
                    IntCase{"0x1F", 31}, IntCase{"-0x10", -16}, IntCase{"0X1F", 0},
                    IntCase{"0x", 0}, IntCase{"0b101", 5}, IntCase{"0xFFFFFFFF", -1},
                    IntCase{"\x01"
                            "5",
                            5},
                    IntCase{"\"9\"", 9}, IntCase{"", -99}, IntCase{"2147483647", INT_MAX},
                    IntCase{"-2147483648", INT_MIN}, IntCase{"4294967297", 1},
                    IntCase{"99999999999999999999999", -159383553},
                    // Only 29 characters are read.
                    IntCase{"000000000000000000000000000009", 0}));

} // namespace
