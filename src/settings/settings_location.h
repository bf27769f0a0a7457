#pragma once
// Where the settings file lies.
//
// Beside the executable (its path with the extension replaced by ".ini",
// TTarnwickIni::SettingsPathFor) when the copy runs from where the user
// keeps it:
//   - a build tree: CMake's marker file lies beside the executable, or
//   - a folder the real user may write (access(2) with W_OK), unless the
//     folder is an installed bin folder: one whose data folder holds the
//     program's desktop entry (<bin>/../share/applications/<id>.desktop).
// Otherwise, for a copy installed by "cmake --install" or the Debian
// package, and for one in a folder the user cannot write:
// <config home>/tarnwick/tarnwick.ini, the config home as user_config.h
// says. So root, who can write /usr/bin, keeps the settings of the installed
// program in root's own config folder, and every user has their own.
// With no config home at all the file stays beside the executable.

#include "platform/user_config.h"

#include <QString>

namespace tarnwick {

struct TSettingsLocation {
    QString filePath;
    // Empty beside the executable; else the folder to make (0700) before
    // the file can be written.
    QString privateFolder;
};

TSettingsLocation LocateSettings(const QString& executablePath, const TEnvironment& environment);

} // namespace tarnwick
