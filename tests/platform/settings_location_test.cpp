#include "platform/qt/settings_location.h"

#include "tests/support/temp_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace {

using test_support::TempDir;

// Runs with a configuration folder of its own (XDG_CONFIG_HOME) and the name "Brisvane".
class SettingsLocation : public testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
            m_savedConfigHome = qgetenv("XDG_CONFIG_HOME");
        m_savedName = QCoreApplication::applicationName();
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(m_home.path()));
        QCoreApplication::setApplicationName(QStringLiteral("Brisvane"));
    }
    void TearDown() override {
        if (m_savedConfigHome)
            qputenv("XDG_CONFIG_HOME", *m_savedConfigHome);
        else
            qunsetenv("XDG_CONFIG_HOME");
        QCoreApplication::setApplicationName(m_savedName);
    }

    // A program folder as an unpacked package has it: <scratch root>/usr/bin.
    std::string installedFolder() const {
        const std::string folder = m_programs.file("root/usr/bin");
        std::filesystem::create_directories(folder);
        return folder;
    }
    std::string configFile() const { return m_home.file("Brisvane/Setting.ini"); }

    TempDir m_home;
    TempDir m_programs;
    std::optional<QByteArray> m_savedConfigHome;
    QString m_savedName;
};

TEST_F(SettingsLocation, WritableFolderKeepsTheFileBesideTheExecutable) {
    const auto where = platform::resolveSettingsLocation(QString::fromStdString(m_programs.path()),
                                                         QStringLiteral("Setting.ini"));
    EXPECT_TRUE(where.besideExecutable);
    EXPECT_EQ(where.folder.toStdString(), m_programs.path());
    EXPECT_EQ(where.path.toStdString(), m_programs.file("Setting.ini"));
    EXPECT_TRUE(std::filesystem::is_empty(m_programs.path())) << "the probe file stays behind";
    EXPECT_FALSE(TempDir::exists(m_home.file("Brisvane")));
}

TEST_F(SettingsLocation, FolderThatTakesNoFilesSendsTheFileToTheConfigurationFolder) {
    const std::string locked = m_programs.unwritableFolder();
    ASSERT_FALSE(locked.empty());
    const auto where = platform::resolveSettingsLocation(QString::fromStdString(locked),
                                                         QStringLiteral("Setting.ini"));
    EXPECT_FALSE(where.besideExecutable);
    EXPECT_EQ(where.path.toStdString(), configFile());
    EXPECT_TRUE(QDir(where.folder).exists());
    EXPECT_FALSE(TempDir::exists(configFile())) << "nothing to seed it from";
}

// Root may write anywhere; an installed program must still leave its folder alone.
TEST_F(SettingsLocation, InstalledProgramIsSeededOnceFromTheFileBesideIt) {
    const std::string folder = installedFolder();
    const std::string shipped = "[Ports]\r\nCOM1=/dev/null-missing\r\n";
    TempDir::writeFile(folder + "/Setting.ini", shipped);

    // A reader beside the program reads the shipped file until the program has made its copy,
    // and makes nothing itself.
    EXPECT_EQ(
        platform::findSettingsFile(QString::fromStdString(folder), QStringLiteral("Setting.ini"))
            .toStdString(),
        folder + "/Setting.ini");
    EXPECT_FALSE(TempDir::exists(m_home.file("Brisvane")));

    const auto first = platform::resolveSettingsLocation(QString::fromStdString(folder),
                                                         QStringLiteral("Setting.ini"));
    EXPECT_FALSE(first.besideExecutable);
    EXPECT_EQ(first.path.toStdString(), configFile());
    EXPECT_EQ(TempDir::readFile(configFile()), shipped);

    // The user's file is theirs from now on: a changed file beside the program is not copied again.
    TempDir::writeFile(configFile(), "[SYSTEM_SET]\r\nSelectBAUD=2\r\n");
    TempDir::writeFile(folder + "/Setting.ini", "[Ports]\r\nCOM1=/dev/other\r\n");
    const auto second = platform::resolveSettingsLocation(QString::fromStdString(folder),
                                                          QStringLiteral("Setting.ini"));
    EXPECT_EQ(second.path, first.path);
    EXPECT_EQ(
        platform::findSettingsFile(QString::fromStdString(folder), QStringLiteral("Setting.ini")),
        first.path);
    EXPECT_EQ(TempDir::readFile(configFile()), "[SYSTEM_SET]\r\nSelectBAUD=2\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1)
        << "nothing may be made in the program's folder";
}

struct FolderCase {
    const char* folder;
    bool system;
};

class SystemProgramFolder : public testing::TestWithParam<FolderCase> {};

TEST_P(SystemProgramFolder, IsKnownByItsPath) {
    EXPECT_EQ(platform::isSystemProgramFolder(QString::fromUtf8(GetParam().folder)),
              GetParam().system);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SystemProgramFolder,
    testing::Values(FolderCase{"/usr/bin", true}, FolderCase{"/bin", true},
                    FolderCase{"/sbin", true}, FolderCase{"/usr/local/bin", true},
                    FolderCase{"/usr/games", true}, FolderCase{"/tmp/x/usr/bin", true},
                    FolderCase{"/tmp/x/usr/bin/", true}, FolderCase{"/usr/lib/brisvane", true},
                    FolderCase{"/opt/brisvane/bin", true}, FolderCase{"/usr", false},
                    FolderCase{"/usr/binaries", false}, FolderCase{"/home/u/build/bin", false},
                    FolderCase{"/opt/brisvane", false}, FolderCase{"/tmp/x/opt/y/bin", false}));

} // namespace
