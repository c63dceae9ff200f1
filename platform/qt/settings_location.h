#pragma once

#include <QString>

namespace platform {

// Where a program's settings file lives.
struct SettingsLocation {
    QString folder;                // the folder to hand to the settings file's owner
    QString path;                  // folder/fileName
    bool besideExecutable = false; // false: the user's configuration folder
};

// A settings file beside the executable is used when that folder takes new files (a build tree,
// an unpacked copy) and is no program folder of a system installation. Otherwise the file lives
// in the user's configuration folder (QStandardPaths::AppConfigLocation, so set the application
// name first: ~/.config/Brisvane/Setting.ini), made when missing and seeded once from the file
// beside the executable when there is one: a copy is made only while the user has none.
// Whether the folder takes files is tried by making one there (and removing it at once), as a
// permission check alone would not stop root.
SettingsLocation resolveSettingsLocation(const QString& executableFolder, const QString& fileName);

// The file a program that only reads another program's settings (a console tool installed
// beside it) should read: the one resolveSettingsLocation would give that program, found without
// making, seeding or probing anything. Before the program has made its copy in the configuration
// folder, the file beside the executable it would be seeded from is read.
QString findSettingsFile(const QString& executableFolder, const QString& fileName);

// Whether `folder` (symbolic links resolved) is where a system installation keeps programs, which
// these programs never write to, even when run as root:
//  - /bin and /sbin;
//  - any folder ending in usr/bin, usr/sbin, usr/games or usr/local/bin, usr/local/sbin,
//    usr/local/games, and anything under usr/lib, usr/libexec or usr/local/lib, usr/local/libexec,
//    wherever that usr lies, so that a package unpacked into a scratch root
//    (/tmp/x/usr/bin) behaves as installed;
//  - a bin folder anywhere under /opt.
bool isSystemProgramFolder(const QString& folder);

} // namespace platform
