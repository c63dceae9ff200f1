// The operator's port names in Setting.ini: what a name becomes, and that writing one leaves
// every other byte of the file as it was.
#include "controller/session/port_names.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace controller {
namespace {

using test_support::TempDir;

TEST(PortNames, ANameWrittenReadsBackAndEveryOtherLineStaysAsItWas) {
    TempDir dir;
    const std::string path = dir.file("Setting.ini");
    const std::string before = "[SYSTEM_SET]\r\nProtocolType=0\r\nMatrixSize=1\r\n"
                               "[names]\r\n; wiring of hall 2\r\nin1=Camera 1\r\n\r\n"
                               "[Net]\r\nDestIP=127.0.0.1\r\n";
    TempDir::writeFile(path, before);
    PortNames names(SettingsFile::atPath(path));
    names.load();
    EXPECT_EQ(names.name(PortKind::Input, 1), "Camera 1");

    ASSERT_TRUE(names.setName(PortKind::Output, 5, "  Projector\r\nleft "));
    ASSERT_TRUE(names.setName(PortKind::Input, 1, "Camera 2"));
    EXPECT_EQ(TempDir::readFile(path),
              "[SYSTEM_SET]\r\nProtocolType=0\r\nMatrixSize=1\r\n"
              "[names]\r\n; wiring of hall 2\r\nIn1=Camera 2\r\nOut5=Projector left\r\n\r\n"
              "[Net]\r\nDestIP=127.0.0.1\r\n");

    PortNames again(SettingsFile::atPath(path));
    again.load();
    EXPECT_EQ(again.name(PortKind::Input, 1), "Camera 2");
    EXPECT_EQ(again.name(PortKind::Output, 5), "Projector left");
    EXPECT_EQ(again.name(PortKind::Output, 1), "");
    // Numbers out of range have no name and take none.
    EXPECT_EQ(again.name(PortKind::Input, 33), "");
    EXPECT_FALSE(again.setName(PortKind::Input, 0, "x"));
}

struct NameCase {
    const char* what;
    std::string given;
    std::string kept;
};

class NameText : public testing::TestWithParam<NameCase> {};

// Every name is kept as cleaned, and reads back from the file exactly so.
TEST_P(NameText, IsCleanedAndSurvivesTheFile) {
    const NameCase& c = GetParam();
    EXPECT_EQ(PortNames::cleanName(c.given), c.kept);
    TempDir dir;
    const std::string path = dir.file("Setting.ini");
    PortNames names(SettingsFile::atPath(path));
    ASSERT_TRUE(names.setName(PortKind::Output, 32, c.given));
    PortNames again(SettingsFile::atPath(path));
    again.load();
    EXPECT_EQ(again.name(PortKind::Output, 32), c.kept);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NameText,
    testing::Values(NameCase{"blanks", "  Camera \t 2  ", "Camera 2"},
                    NameCase{"line breaks and NUL",
                             std::string("a\r\nb\n\x01"
                                         "c\0d",
                                         9),
                             "a b c d"},
                    NameCase{"cut by characters", std::string(40, 'x'), std::string(32, 'x')},
                    NameCase{"multi-byte kept whole", "讲台" + std::string(31, 'y'),
                             "讲台" + std::string(30, 'y')},
                    NameCase{"invalid UTF-8", "a\xff", "a\xef\xbf\xbd"},
                    NameCase{"comment and section marks", "; [Stage] = left", "; [Stage] = left"},
                    NameCase{"quoted", "\"Desk\"", "\"Desk\""},
                    NameCase{"only blanks", " \r\n ", ""}),
    [](const testing::TestParamInfo<NameCase>& info) {
        std::string name = info.param.what;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

TEST(PortNames, AValueWrittenByHandInGbkReadsAsItsCharacters) {
    TempDir dir;
    const std::string path = dir.file("Setting.ini");
    // "讲台" (lectern) in GBK.
    TempDir::writeFile(path, "[Names]\r\nIn2=\xbd\xb2\xcc\xa8\r\n");
    PortNames names(SettingsFile::atPath(path));
    names.load();
    EXPECT_EQ(names.name(PortKind::Input, 2), "讲台");
}

TEST(PortNames, AKeptNameIsCleanedAndDecodedButNeverWritten) {
    TempDir dir;
    const std::string path = dir.file("Setting.ini");
    PortNames names(SettingsFile::atPath(path));
    ASSERT_TRUE(names.keepName(PortKind::Output, 4, " Projector\tleft "));
    ASSERT_TRUE(names.keepName(PortKind::Input, 2, "\xbd\xb2\xcc\xa8"));
    EXPECT_FALSE(names.keepName(PortKind::Input, 33, "x"));
    EXPECT_EQ(names.name(PortKind::Output, 4), "Projector left");
    EXPECT_EQ(names.namer()(PortKind::Input, 2), "讲台");
    EXPECT_FALSE(TempDir::exists(path));
}

TEST(PortNames, TheNamerSeesLaterNamesAndOutlivesTheNames) {
    TempDir dir;
    PortNamer namer;
    {
        PortNames names(SettingsFile::atPath(dir.file("Setting.ini")));
        namer = names.namer();
        names.setName(PortKind::Input, 3, "Camera 2");
    }
    EXPECT_EQ(namer(PortKind::Input, 3), "Camera 2");
    EXPECT_EQ(namer(PortKind::Output, 3), "");
    EXPECT_EQ(namer(PortKind::Input, 99), "");
}

} // namespace
} // namespace controller
