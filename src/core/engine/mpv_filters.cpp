#include "core/engine/mpv_filters.h"

#include <algorithm>
#include <charconv>

namespace {
constexpr double MaxGainDb = 12.0;
constexpr std::int32_t MaxLevel = 128;
} // namespace

double equalizerGainDb(std::int32_t level) {
    return std::clamp(level, -MaxLevel, MaxLevel) * MaxGainDb / MaxLevel;
}

std::string audioFilterChain(const std::optional<EqualizerLevels>& levels) {
    const std::string tempo = "scaletempo2";
    if (!levels || std::all_of(levels->begin(), levels->end(), [](auto l) { return l == 0; }))
        return tempo;
    std::string bands;
    for (int i = 0; i < EqualizerBandCount; ++i) {
        if ((*levels)[i] == 0)
            continue;
        // One octave wide peaking filters; to_chars writes the gain the same
        // way whatever the locale.
        char gain[32];
        const auto written = std::to_chars(gain, gain + sizeof gain, equalizerGainDb((*levels)[i]),
                                           std::chars_format::fixed, 4);
        if (!bands.empty())
            bands += ',';
        bands += "equalizer=f=" + std::to_string(EqualizerFrequencies[i]) +
                 ":t=o:w=1:g=" + std::string(gain, written.ptr);
    }
    return "lavfi=[" + bands + "]," + tempo;
}
