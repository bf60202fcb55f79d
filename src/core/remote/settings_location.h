// Where the settings of an executable live: beside a copy in a user's folder,
// in the user's configuration folder for the installed one. The player and
// the command-line client agree on it, since the socket is named after it.
#pragma once

#include <QString>

namespace modMain {

// The settings folder's name inside the user's configuration folder.
inline const QString ConfigFolderName = QStringLiteral("memotap");

// Whether the executable in exeFolder is the installed one: exeFolder is the
// install's bin folder, both compared after resolving symbolic links. An
// empty folder never matches.
bool RunsFromInstall(const QString& exeFolder, const QString& installBinFolder);

struct SettingsLocation {
    QString folder; // without a trailing separator
    bool installed; // the folder is the user's, to be created on demand
};

// The settings folder for an executable in exeFolder, given the compiled-in
// bin folder, $XDG_CONFIG_HOME and the home folder. A relative
// $XDG_CONFIG_HOME is ignored, as the XDG base directory rules ask.
SettingsLocation LocateSettings(const QString& exeFolder, const QString& installBinFolder,
                                const QString& xdgConfigHome, const QString& home);

} // namespace modMain
