#include "controller/session/settings_file.h"

#include "tests/support/prompt_recorder.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using controller::ControllerSettings;
using controller::SettingsFile;
using test_support::PromptRecorder;
using test_support::TempDir;

const std::string kCannotOpen = "Unable to open the INI file, the default values will be loaded!";

TEST(SettingsFileLoad, MissingFileGivesEveryDefaultAndIsCreatedEmpty) {
    TempDir dir;
    SettingsFile file(dir.path());
    PromptRecorder prompts;
    const ControllerSettings s = file.load(prompts);
    EXPECT_EQ(file.path(), dir.path() + "/Setting.ini");
    EXPECT_EQ(s.selectCom, 0);
    EXPECT_EQ(s.selectBaud, 0);
    EXPECT_EQ(s.matrixType, 0);
    EXPECT_EQ(s.matrixSize, 0);
    EXPECT_EQ(s.avMode, 0);
    EXPECT_EQ(s.idleTime, 0);
    EXPECT_EQ(s.sceneRun, 0);
    EXPECT_EQ(s.useNet, 0);
    EXPECT_EQ(s.protocolType, 0);
    EXPECT_EQ(s.netIp, "");
    EXPECT_EQ(s.gateIp, "");
    EXPECT_EQ(s.destIp, "");
    EXPECT_EQ(s.maskIp, "");
    EXPECT_EQ(s.hostPort, 4069);
    EXPECT_EQ(s.destPort, 4068);
    EXPECT_TRUE(prompts.prompts.empty());
    ASSERT_TRUE(TempDir::exists(file.path()));
    EXPECT_EQ(TempDir::readFile(file.path()), "");
}

TEST(SettingsFileLoad, ReadsEveryKeyWhateverItsCase) {
    TempDir dir;
    TempDir::writeFile(dir.file("Setting.ini"),
                       "[system_set]\r\nProtocolType=1\r\nSelectCOM=3\r\nselectbaud=2\r\n"
                       "MATRIXTYPE=5\r\nMatrixSize=3\r\nAVMode=2\r\nIdleTime=30\r\n"
                       "SceneRun=65535\r\nUseNet=1\r\n[NET]\r\nNetIP=192.168.1.10\r\n"
                       "GateIP=192.168.1.1\r\nDestIP=192.168.1.200\r\nMaskIP=255.255.255.0\r\n"
                       "HostPort=4070\r\nDestport=5000\r\n");
    PromptRecorder prompts;
    const ControllerSettings s = SettingsFile(dir.path()).load(prompts);
    EXPECT_EQ(s.protocolType, 1);
    EXPECT_EQ(s.selectCom, 3);
    EXPECT_EQ(s.selectBaud, 2);
    EXPECT_EQ(s.matrixType, 5);
    EXPECT_EQ(s.matrixSize, 3);
    EXPECT_EQ(s.avMode, 2);
    EXPECT_EQ(s.idleTime, 30);
    EXPECT_EQ(s.sceneRun, 65535);
    EXPECT_EQ(s.useNet, 1);
    EXPECT_EQ(s.netIp, "192.168.1.10");
    EXPECT_EQ(s.gateIp, "192.168.1.1");
    EXPECT_EQ(s.destIp, "192.168.1.200");
    EXPECT_EQ(s.maskIp, "255.255.255.0");
    EXPECT_EQ(s.hostPort, 4070);
    EXPECT_EQ(s.destPort, 5000);
}

TEST(SettingsFileLoad, CutsAddressesTo19CharactersAndReadsNonNumbersAsZero) {
    TempDir dir;
    TempDir::writeFile(dir.file("Setting.ini"),
                       "[SYSTEM_SET]\nSelectCOM=COM2\nMatrixSize=-1\n[Net]\n"
                       "DestIP=123.123.123.123:4068\nNetIP=1234567890123456789\nHostPort=port\n");
    PromptRecorder prompts;
    const ControllerSettings s = SettingsFile(dir.path()).load(prompts);
    EXPECT_EQ(s.destIp, "123.123.123.123:406");
    EXPECT_EQ(s.netIp, "1234567890123456789");
    EXPECT_EQ(s.selectCom, 0);
    EXPECT_EQ(s.matrixSize, -1);
    EXPECT_EQ(s.hostPort, 0);
}

ControllerSettings distinctSettings() {
    ControllerSettings s;
    s.selectCom = 3;
    s.selectBaud = 2;
    s.matrixType = 5;
    s.matrixSize = 1;
    s.avMode = 2;
    s.idleTime = 30;
    s.sceneRun = 40961;
    s.useNet = 1;
    s.protocolType = 1;
    s.netIp = "192.168.1.10";
    s.gateIp = "192.168.1.1";
    s.destIp = "192.168.1.200";
    s.maskIp = "255.255.255.0";
    s.hostPort = 4070;
    s.destPort = -5;
    return s;
}

struct SaveCase {
    int item;
    std::string file;
};

class SettingsFileSave : public testing::TestWithParam<SaveCase> {};

TEST_P(SettingsFileSave, WritesProtocolTypeThenTheItemsKeysIntoANewFile) {
    TempDir dir;
    SettingsFile file(dir.path());
    PromptRecorder prompts;
    file.save(GetParam().item, distinctSettings(), prompts);
    EXPECT_TRUE(prompts.prompts.empty());
    EXPECT_EQ(TempDir::readFile(file.path()), GetParam().file);
}

INSTANTIATE_TEST_SUITE_P(
    Items, SettingsFileSave,
    testing::Values(SaveCase{1, "[SYSTEM_SET]\r\nProtocolType=1\r\nSelectCOM=3\r\n"},
                    SaveCase{2, "[SYSTEM_SET]\r\nProtocolType=1\r\nSelectBAUD=2\r\n"},
                    SaveCase{3, "[SYSTEM_SET]\r\nProtocolType=1\r\nMatrixType=5\r\n"},
                    SaveCase{4, "[SYSTEM_SET]\r\nProtocolType=1\r\nMatrixSize=1\r\n"},
                    SaveCase{5, "[SYSTEM_SET]\r\nProtocolType=1\r\nAVMode=2\r\n"},
                    SaveCase{6, "[SYSTEM_SET]\r\nProtocolType=1\r\nIdleTime=30\r\n"},
                    SaveCase{7, "[SYSTEM_SET]\r\nProtocolType=1\r\nSceneRun=40961\r\n"},
                    SaveCase{
                        8, "[SYSTEM_SET]\r\nProtocolType=1\r\n[Net]\r\nNetIP=192.168.1.10\r\n"
                           "GateIP=192.168.1.1\r\nDestIP=192.168.1.200\r\nMaskIP=255.255.255.0\r\n"
                           "HostPort=4070\r\nDestPort=-5\r\n"},
                    SaveCase{9, "[SYSTEM_SET]\r\nProtocolType=1\r\nUseNet=1\r\n"},
                    SaveCase{0, "[SYSTEM_SET]\r\nProtocolType=1\r\n"},
                    SaveCase{10, "[SYSTEM_SET]\r\nProtocolType=1\r\n"},
                    SaveCase{-8, "[SYSTEM_SET]\r\nProtocolType=1\r\n"}),
    [](const auto& info) {
        return "Item" + std::string(info.param.item < 0 ? "Minus" : "") +
               std::to_string(info.param.item < 0 ? -info.param.item : info.param.item);
    });

TEST(SettingsFileSave, KeepsHandSetProtocolTypeAndEveryOtherByte) {
    TempDir dir;
    SettingsFile file(dir.path());
    const std::string net =
        "[Net]\nNetIP=10.1.1.1\nGateIP=10.1.1.254\n; terminal\nDestIP=10.1.1.7\nDestport=5000\n";
    TempDir::writeFile(file.path(), "[SYSTEM_SET]\nProtocolType=1\nSceneRun=3\n\n" + net);
    PromptRecorder prompts;
    ControllerSettings s = file.load(prompts);
    ASSERT_EQ(s.protocolType, 1);
    ASSERT_EQ(s.destPort, 5000);

    s.sceneRun = 5;
    file.save(7, s, prompts);
    s.selectBaud = 3;
    file.save(2, s, prompts);
    EXPECT_EQ(TempDir::readFile(file.path()),
              "[SYSTEM_SET]\nProtocolType=1\nSceneRun=5\nSelectBAUD=3\n\n" + net);

    file.save(8, s, prompts);
    EXPECT_EQ(TempDir::readFile(file.path()),
              "[SYSTEM_SET]\nProtocolType=1\nSceneRun=5\nSelectBAUD=3\n\n[Net]\nNetIP=10.1.1.1\n"
              "GateIP=10.1.1.254\n; terminal\nDestIP=10.1.1.7\nDestPort=5000\nMaskIP=\n"
              "HostPort=4069\n");
    // A transport is written once one is chosen, and kept where it stands.
    s.transport = "TCP";
    file.save(8, s, prompts);
    s.transport = "UDP";
    file.save(8, s, prompts);
    EXPECT_TRUE(TempDir::readFile(file.path()).ends_with("HostPort=4069\nTransport=UDP\n"));
    EXPECT_EQ(file.load(prompts).transport, "UDP");
    EXPECT_TRUE(prompts.prompts.empty());
}

TEST(SettingsFile, WorksInAFolderOfAnyLength) {
    TempDir dir;
    std::string deep = dir.path();
    for (int i = 0; i < 6; ++i) {
        deep += "/" + std::string(60, static_cast<char>('a' + i));
        ASSERT_EQ(::mkdir(deep.c_str(), 0755), 0);
    }
    SettingsFile file(deep + "/");
    EXPECT_EQ(file.path(), deep + "/Setting.ini");
    PromptRecorder prompts;
    ControllerSettings s = file.load(prompts);
    s.useNet = 1;
    file.save(9, s, prompts);
    EXPECT_EQ(file.load(prompts).useNet, 1);
    EXPECT_TRUE(prompts.prompts.empty());
}

// [Ports] keys are kept to 255 characters, and a remembered device touches no other line.
TEST(SettingsFile, PortPathsAreReadUpTo255CharactersAndRememberedInPlace) {
    TempDir dir;
    const SettingsFile file(dir.path());
    const std::string device = "/" + std::string(254, 'd');
    TempDir::writeFile(file.path(), "[Ports]\nCOM1=" + device + "\nCOM2=" + device + "xyz\n");
    EXPECT_EQ(file.portPath(1), device);
    EXPECT_EQ(file.portPath(2), device);
    EXPECT_EQ(file.portPath(3), "");
    ASSERT_TRUE(file.rememberPortPath("COM3", "/dev/serial/by-id/usb-FTDI-port0"));
    EXPECT_EQ(TempDir::readFile(file.path()), "[Ports]\nCOM1=" + device + "\nCOM2=" + device +
                                                  "xyz\nCOM3=/dev/serial/by-id/usb-FTDI-port0\n");
}

TEST(SettingsFile, UnopenableFileIsAnnouncedOnEveryLoadAndSaveAndDefaultsApply) {
    TempDir dir;
    TempDir::writeFile(dir.file("plain"), "not a folder");
    ASSERT_EQ(::mkdir(dir.file("folder").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir.file("folder/Setting.ini").c_str(), 0755), 0);
    for (const std::string& folder : {dir.file("missing"), dir.file("plain"), dir.file("folder")}) {
        SCOPED_TRACE(folder);
        SettingsFile file(folder);
        PromptRecorder prompts;
        EXPECT_EQ(file.load(prompts), ControllerSettings());
        file.save(8, distinctSettings(), prompts);
        file.save(1, distinctSettings(), prompts);
        EXPECT_EQ(prompts.prompts,
                  std::vector<platform::Prompt>(3, platform::Prompt::dialog(kCannotOpen)));
    }
    EXPECT_FALSE(TempDir::exists(dir.file("missing")));
    EXPECT_EQ(TempDir::readFile(dir.file("plain")), "not a folder");
}

TEST(SettingsFile, ReadOnlyFileIsAnnouncedButStillRead) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root opens read-only files for writing; shown only when run as a user";
    TempDir dir;
    SettingsFile file(dir.path());
    TempDir::writeFile(file.path(), "[SYSTEM_SET]\r\nMatrixType=4\r\n");
    ::chmod(file.path().c_str(), 0444);
    PromptRecorder prompts;
    EXPECT_EQ(file.load(prompts).matrixType, 4);
    EXPECT_EQ(prompts.texts(), std::vector<std::string>{kCannotOpen});
}

} // namespace
