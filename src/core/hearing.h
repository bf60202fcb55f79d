// The hearing aids as the player keeps them: levelling, noise reduction, low
// cut and the channel choice. They are remembered in the extra settings file
// and handed to the engine whenever they change.
#pragma once

#include "core/engine/engine.h"

#include <QString>
#include <optional>

namespace modMain {

const HearingAids& Hearing();
// Reads the aids from the extra settings file (off for a missing or unknown
// value) and hands them to the engine.
void LoadHearing();
// Hands the aids to the engine and, when they changed, writes them into the
// extra settings file.
void SetHearing(const HearingAids& aids);

// "both", "left", "right", "mix".
QString ChannelName(ChannelChoice channel);
std::optional<ChannelChoice> ChannelNamed(const QString& name);
// The choice after channel, the last one followed by the first.
ChannelChoice NextChannel(ChannelChoice channel);

} // namespace modMain
