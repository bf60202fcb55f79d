// The playback speed, in percent of normal.
#include "core/modMain.h"
#include "core/player_events.h"
#include "core/player_view.h"

namespace modMain {

namespace {

// What the speed field shows: the window's field starts at normal speed.
Long speedField = 100;

} // namespace

void ApplyPitch(Long value) {
    vbmp3_setPitch(value);
    Pitch = value;
    emit Events().speedChanged(value);
}

void SpeedFieldChanged(Long percent) {
    speedField = percent;
    ApplyPitch(percent);
}

void SetSpeedField(Long percent) {
    if (percent == speedField)
        return;
    View().ShowSpeed(percent);
    SpeedFieldChanged(percent);
}

} // namespace modMain
