#include "platform/qt/settings_location.h"

#include "platform/whole_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <array>

namespace platform {
namespace {

bool takesNewFiles(const QString& folder) {
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".settings-probe-XXXXXX")));
    return probe.open(); // removed again when probe goes
}

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Copies the file beside the executable in one step, so that a copy cut short is never taken for
// the user's own file on the next start.
void seed(const QString& from, const QString& to) {
    std::string bytes;
    if (readWholeFile(localPath(from), bytes) == FileReadResult::Ok)
        writeWholeFile(localPath(to), bytes);
}

} // namespace

bool isSystemProgramFolder(const QString& folder) {
    QString path = QFileInfo(folder).canonicalFilePath();
    if (path.isEmpty())
        path = QDir::cleanPath(QDir(folder).absolutePath());
    if (path == QLatin1String("/bin") || path == QLatin1String("/sbin"))
        return true;
    static constexpr std::array<const char*, 6> kProgramFolders = {
        "/usr/bin",       "/usr/sbin",       "/usr/games",
        "/usr/local/bin", "/usr/local/sbin", "/usr/local/games"};
    for (const char* end : kProgramFolders) {
        if (path.endsWith(QLatin1String(end)))
            return true;
    }
    static constexpr std::array<const char*, 4> kLibraryFolders = {
        "/usr/lib/", "/usr/libexec/", "/usr/local/lib/", "/usr/local/libexec/"};
    for (const char* part : kLibraryFolders) {
        if ((path + QLatin1Char('/')).contains(QLatin1String(part)))
            return true;
    }
    return path.startsWith(QLatin1String("/opt/")) && path.endsWith(QLatin1String("/bin"));
}

SettingsLocation resolveSettingsLocation(const QString& executableFolder, const QString& fileName) {
    const QString beside = QDir(executableFolder).filePath(fileName);
    if (!isSystemProgramFolder(executableFolder) && takesNewFiles(executableFolder))
        return {executableFolder, beside, true};

    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(config);
    const QString path = QDir(config).filePath(fileName);
    if (!QFileInfo::exists(path) && QFileInfo(beside).isFile())
        seed(beside, path);
    return {config, path, false};
}

QString findSettingsFile(const QString& executableFolder, const QString& fileName) {
    const QString beside = QDir(executableFolder).filePath(fileName);
    if (!isSystemProgramFolder(executableFolder) && QFileInfo(executableFolder).isWritable())
        return beside;
    const QString config = QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
                               .filePath(fileName);
    if (!QFileInfo::exists(config) && QFileInfo(beside).isFile())
        return beside;
    return config;
}

} // namespace platform
