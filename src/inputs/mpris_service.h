// The player on the session bus as an MPRIS media player
// (org.mpris.MediaPlayer2.memotap), so that media keys, desktop widgets and
// playerctl drive it through the command table.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

namespace inputs {

// Registers the MPRIS object for the life of what it returns. Without a
// session bus the player runs on without it (null); a log line says so.
std::unique_ptr<QObject> StartMpris(std::function<void()> raise, std::function<void()> quit);

} // namespace inputs
