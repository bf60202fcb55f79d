// What the engine does to the sound: speed, equalizer and hearing aids, all
// through libmpv's properties.

#include "core/engine/mpv_engine.h"

#include "core/engine/libmpv.h"

#include <algorithm>

void MpvEngine::setPitch(std::int32_t percent) {
    speedPercent_ = std::clamp(percent, 50, 300);
    if (!handle_)
        return;
    double speed = speedPercent_ / 100.0;
    // Not waited for: libmpv may be busy starting playback, and it carries
    // out requests in order. It accepts any speed in this range; were it
    // refused, the previous speed would simply stay, which is all a caller
    // could ask for.
    [[maybe_unused]] const int result =
        libmpv().set_property_async(handle_.get(), SpeedReply, "speed", MPV_FORMAT_DOUBLE, &speed);
}

void MpvEngine::setEqualizer(const std::int32_t* bands) {
    if (!bands) {
        equalizer_.reset();
        return;
    }
    EqualizerLevels levels;
    std::copy(bands, bands + EqualizerBandCount, levels.begin());
    equalizer_ = levels;
}

void MpvEngine::setHearing(const HearingAids& aids) {
    hearing_ = aids;
    applyFilters();
}

void MpvEngine::reload() {
    applyFilters();
}

void MpvEngine::applyFilters() {
    if (!handle_)
        return;
    const std::string chain = audioFilterChain(equalizer_, hearing_);
    if (chain == appliedFilters_)
        return;
    if (libmpv().set_property_string(handle_.get(), "af", chain.c_str()) >= 0)
        appliedFilters_ = chain;
}
