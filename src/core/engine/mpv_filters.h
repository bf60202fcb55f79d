// The audio filter chain handed to libmpv's "af" property: the ten-band
// equalizer (when on) followed by pitch-preserving speed.
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
std::string audioFilterChain(const std::optional<EqualizerLevels>& levels);
