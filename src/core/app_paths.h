// Where the program keeps its files. A copy run from a user's folder keeps its
// settings and help beside the executable. The executable installed by
// `make install` keeps its settings in the user's configuration folder and
// finds its help under the install's share folder.
#pragma once

#include "core/remote/settings_location.h"

#include <QString>

namespace modMain {

// The reverse-DNS id naming the desktop file, the metainfo and the icon (and
// so MPRIS's DesktopEntry and the portal's application).
inline const QString AppId = QStringLiteral(MEMOTAP_APP_ID);

// Creates each missing folder of the absolute path folder with mode 0700 (the
// user's umask still applies); existing folders keep their mode. False, with
// a warning, when the path is not a folder at the end.
bool MakePrivateFolder(const QString& folder);

// The settings folder of this process, created if the executable is the
// installed one. AppPath() adds the separator and the tests' override.
QString SettingsFolder();

// The folder holding help.chm and the help/ pages, with a trailing separator:
// the install's share folder for the installed executable, AppPath() for
// any other copy.
QString HelpFolder();

} // namespace modMain
