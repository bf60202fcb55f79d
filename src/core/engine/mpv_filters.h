// The audio filter chain handed to libmpv's "af" property: the hearing aids
// (when any is on), the ten-band equalizer (when on), then pitch-preserving
// speed.
#pragma once

#include "core/engine/engine.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

using EqualizerLevels = std::array<std::int32_t, EqualizerBandCount>;

// Centre frequencies of the bands, in Hz, lowest first.
inline constexpr std::array<int, EqualizerBandCount> EqualizerFrequencies = {
    60, 170, 310, 600, 1000, 3000, 6000, 12000, 14000, 16000};

// Gain of a band level: -128..128 maps linearly onto -12..+12 dB; levels
// outside are clamped.
double equalizerGainDb(std::int32_t level);

// "lavfi=[equalizer=...,...],scaletempo2", or "scaletempo2" when the
// equalizer is off or flat. Bands above a file's Nyquist frequency are left
// out by FFmpeg itself.
//
// Each hearing aid that is on adds an entry of its own, labelled, in a fixed
// order (channel, low cut, noise, levelling) after an entry that turns the
// sound into planar float stereo; every aid's entry hands on that same
// format. libmpv keeps the filters of entries that did not change when "af"
// is replaced, but rebuilds one whose input format changed: so switching one
// aid leaves the others' state (the levelling's gain, the noise estimate)
// alone. With every aid off the chain is the equalizer and speed alone.
// While an aid is on, a file with more than two channels is mixed down to
// stereo (the centre into both sides, back and side channels into theirs)
// and a mono file is heard on both sides, at its level, whatever the channel.
std::string audioFilterChain(const std::optional<EqualizerLevels>& levels,
                             const HearingAids& aids = {});
