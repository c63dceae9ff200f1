#include "terminal_setup/session/tool_settings_file.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace {

using terminal_setup::ToolSettings;
using terminal_setup::ToolSettingsFile;
using test_support::TempDir;

TEST(ToolSettingsFile, LivesBesideTheExecutableUnderItsFixedName) {
    EXPECT_EQ(ToolSettingsFile("/opt/quellin/bin").path(), "/opt/quellin/bin/Quellin.ini");
    EXPECT_EQ(ToolSettingsFile("/opt/quellin/bin/").path(), "/opt/quellin/bin/Quellin.ini");
}

TEST(ToolSettingsFile, MissingFileGivesTheDefaultsOfAReadAndWritesThem) {
    TempDir dir;
    const ToolSettingsFile file(dir.path());

    EXPECT_EQ(file.load(), (ToolSettings{"224.0.0.41", "", 8866}));
    EXPECT_EQ(TempDir::readFile(file.path()),
              "[Net]\r\nNetIP=224.0.0.41\r\nTestIP=\r\nNetPort=8866\r\n");
}

struct LoadCase {
    const char* name;
    const char* contents;
    ToolSettings expected;

    // The case's name stands for it in test listings.
    friend void PrintTo(const LoadCase& c, std::ostream* out) { *out << c.name; }
};

class ToolSettingsLoad : public testing::TestWithParam<LoadCase> {};

TEST_P(ToolSettingsLoad, ReadsTheNetSection) {
    TempDir dir;
    const ToolSettingsFile file(dir.path());
    TempDir::writeFile(file.path(), GetParam().contents);

    EXPECT_EQ(file.load(), GetParam().expected);
    // A read never writes.
    EXPECT_EQ(TempDir::readFile(file.path()), GetParam().contents);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToolSettingsLoad,
    testing::Values(
        LoadCase{"AllKeys",
                 "[Net]\r\nNetIP=224.0.0.41\r\nTestIP=192.0.2.7\r\nNetPort=9000\r\n",
                 {"224.0.0.41", "192.0.2.7", 9000}},
        LoadCase{"ForeignGroupIsReplacedByTheFixedOne",
                 "[Net]\nNetIP=239.1.1.1\nTestIP=192.0.2.7\nNetPort=8866\n",
                 {"224.0.0.41", "192.0.2.7", 8866}},
        LoadCase{"MissingPortGives8866",
                 "[Net]\nNetIP=224.0.0.41\nTestIP=192.0.2.7\n",
                 {"224.0.0.41", "192.0.2.7", 8866}},
        LoadCase{"EmptyFileGivesTheDefaults", "", {"224.0.0.41", "", 8866}},
        LoadCase{"TestAddressIsCutTo19Characters",
                 "[Net]\nTestIP=192.168.100.200.123456789\n",
                 {"224.0.0.41", "192.168.100.200.123", 8866}},
        LoadCase{"PortThatIsNoNumberReadsAsZero", "[Net]\nNetPort=port\n", {"224.0.0.41", "", 0}},
        LoadCase{"KeysMatchWithoutRegardToCase",
                 "[NET]\nnetport=7000\ntestip=198.51.100.1\n",
                 {"224.0.0.41", "198.51.100.1", 7000}}),
    [](const testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

TEST(ToolSettingsFile, SaveWritesTheThreeKeysInPlaceAndKeepsTheRest) {
    TempDir dir;
    const ToolSettingsFile file(dir.path());
    TempDir::writeFile(file.path(), "; installer notes\n[Net]\nNetIP=239.1.1.1\nTestIP=1.2.3.4\n"
                                    "NetPort=1\n[COMM]\nAUTOID=9\n");

    const ToolSettings loaded = file.load();
    file.save({loaded.groupAddress, "192.0.2.9", 8866});

    EXPECT_EQ(TempDir::readFile(file.path()),
              "; installer notes\n[Net]\nNetIP=224.0.0.41\nTestIP=192.0.2.9\nNetPort=8866\n"
              "[COMM]\nAUTOID=9\n");
}

TEST(ToolSettingsFile, APortOutsideTheRangeOfPortsReadsAsTheDefaultAndIsSaidOnce) {
    TempDir dir;
    const ToolSettingsFile file(dir.path());
    for (const char* port : {"70000", "-1", "4294967295"}) {
        TempDir::writeFile(file.path(), std::string("[Net]\r\nNetPort=") + port + "\r\n");
        std::vector<std::string> notices;
        EXPECT_EQ(file.load(&notices).hostPort, 8866u) << port;
        EXPECT_EQ(notices, std::vector<std::string>{file.path() + ": NetPort=" + port +
                                                    " is not a port (0 to 65535); Host Port "
                                                    "8866 is used instead."});
    }
    // Reading for another program never writes, not even a missing file.
    const ToolSettingsFile elsewhere(dir.file("absent"));
    EXPECT_EQ(elsewhere.read(), (ToolSettings{"224.0.0.41", "", 8866}));
    EXPECT_FALSE(TempDir::exists(elsewhere.path()));
}

TEST(ToolSettingsFile, AutoIdCounterStartsAtOneAndIsKeptInItsOwnSection) {
    TempDir dir;
    const ToolSettingsFile file(dir.path());
    TempDir::writeFile(file.path(), "[Net]\r\nNetPort=8866\r\n");
    EXPECT_EQ(file.loadAutoId(), 1);

    for (int counter = 2; counter <= 4; ++counter)
        file.saveAutoId(counter);

    EXPECT_EQ(file.loadAutoId(), 4);
    EXPECT_EQ(TempDir::readFile(file.path()), "[Net]\r\nNetPort=8866\r\n[COMM]\r\nAUTOID=4\r\n");
}

TEST(ToolSettingsFile, WorksInAFolderWhosePathIsLongerThan255Characters) {
    TempDir dir;
    std::string deep = dir.path();
    while (deep.size() < 400)
        deep += "/a-rather-long-folder-name-for-an-installation";
    std::filesystem::create_directories(deep);
    const ToolSettingsFile file(deep);

    file.load();
    file.save({"224.0.0.41", "192.0.2.1", 1234});

    EXPECT_EQ(file.load(), (ToolSettings{"224.0.0.41", "192.0.2.1", 1234}));
}

TEST(ToolSettingsFile, UnwritableFolderLeavesTheRunWithTheDefaults) {
    const ToolSettingsFile file("/nonexistent-folder-for-quellin-tests");

    EXPECT_EQ(file.load(), (ToolSettings{"224.0.0.41", "", 8866}));
    file.save({"224.0.0.41", "192.0.2.1", 1});
    file.saveAutoId(3);
    EXPECT_EQ(file.loadAutoId(), 1);
}

} // namespace
