// The desktop's volume mixer, started as a program of its own that the
// player neither waits for nor keeps track of.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace modMain {

struct MixerCommand {
    QString program; // a name looked up in PATH, or an absolute path
    QStringList arguments;
    bool operator==(const MixerCommand&) const = default;
};

// The mixers this desktop may have, its own first (platform part).
std::vector<MixerCommand> DesktopMixers();

// The list cmdVol tries: the testing list while one is set, else DesktopMixers.
std::vector<MixerCommand> VolumeMixers();
void SetVolumeMixersForTesting(std::optional<std::vector<MixerCommand>> mixers);

// Starts the first candidate that exists and starts, detached, with its
// window asked not to take the focus. False when none could be started.
bool StartVolumeMixer(const std::vector<MixerCommand>& candidates);

// The launch id that tells the window manager not to activate the started
// program's window; empty where the platform needs none (platform part).
QString MixerStartupId();

} // namespace modMain
