// Where the player's socket lives: in $XDG_RUNTIME_DIR (or a private folder
// of our own when there is none), named after the settings folder, since one
// player per settings folder is what keeps the settings files whole.
#pragma once

#include <QString>

namespace remote {

// The socket's full path for the settings folder; empty when no private
// folder could be had.
QString SocketPath(const QString& settingsFolder);

} // namespace remote
