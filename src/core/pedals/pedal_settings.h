// What each pedal does and how the play pedal plays, kept in the extra
// settings file ("pedal.left=rewind", "pedal.mode=hold", ...).
#pragma once

#include "core/commands.h"
#include "core/pedals/pedal_models.h"

#include <array>
#include <optional>

namespace modMain::pedals {

enum class PlayMode {
    Hold,   // the play/pause pedal plays while it is down
    Toggle, // each press plays or pauses
};

struct PedalSettings {
    // Nothing: the pedal does nothing.
    std::array<std::optional<Command>, PedalCount> commands{Command::Rewind, Command::PlayPause,
                                                            Command::Forward, std::nullopt};
    PlayMode mode = PlayMode::Hold;
};

// The player's pedal settings, as the composition root handed them over.
PedalSettings& Settings();
void SetPedalSettings(PedalSettings* settings);
// From the extra settings already read; a value this version does not know
// leaves that setting at its default.
void LoadPedalSettings();
// Into the extra settings, and the file written.
void SavePedalSettings();

// The commands a pedal can be given: those that take no argument.
bool PedalMayRun(Command command);

} // namespace modMain::pedals
