// The player on the session bus as an MPRIS media player
// (org.mpris.MediaPlayer2.memotap), so that media keys, desktop widgets and
// playerctl drive it through the command table.
#pragma once

#include <QObject>
#include <functional>

namespace inputs {

// Registers the MPRIS object for the life of owner. Without a session bus
// the player runs on without it; a log line says so.
void StartMpris(QObject* owner, std::function<void()> raise, std::function<void()> quit);

} // namespace inputs
