// Play/pause with the step back on resume, the fast-forward and rewind steps,
// the jumps to the ends, and seeking from the seek bar.
#include "core/modMain.h"

#include <algorithm>

namespace modMain {

namespace {

// From stopped: play; from paused: back REV seconds, then on. Playing (or an
// unknown state) is left as it is.
void PlayFrom(std::int32_t state, Long position) {
    if (state == StateStopped) {
        vbmp3_play();
    } else if (state == StatePaused) {
        vbmp3_seek(position > RevSeconds ? position - RevSeconds : 0);
        vbmp3_restart();
    }
}

} // namespace

void TogglePlayPause() {
    Long p = 0;
    const std::int32_t state = vbmp3_getState(&p);
    if (state != StatePlaying) {
        PlayFrom(state, p);
        return;
    }
    // In repeat mode the press only ends repeat mode; playback goes on.
    if (RepeatOn == -1)
        SetRepeat(false);
    else
        vbmp3_pause();
}

void Play() {
    Long p = 0;
    const std::int32_t state = vbmp3_getState(&p);
    PlayFrom(state, p);
}

void Pause() {
    Long p = 0;
    if (vbmp3_getState(&p) != StatePlaying)
        return;
    if (RepeatOn == -1)
        SetRepeat(false);
    vbmp3_pause();
}

void FastForward() {
    Long p = 0;
    if (vbmp3_getState(&p) == StateStopped)
        return;
    // Widened: a position near the top of the range plus a step must not wrap.
    const std::int64_t target = std::int64_t{p} + RewFFSeconds;
    vbmp3_seek(target < FileInfo.TotalSeconds ? static_cast<Long>(target) : FileInfo.TotalSeconds);
}

void Rewind() {
    Long p = 0;
    if (vbmp3_getState(&p) == StateStopped)
        return;
    vbmp3_seek(p > RewFFSeconds ? p - RewFFSeconds : 0);
}

void SeekToStart() {
    vbmp3_seek(0);
}

void SeekToEnd() {
    vbmp3_seek(FileInfo.TotalSeconds);
}

void SeekTo(Long seconds) {
    Long p = 0;
    if (vbmp3_getState(&p) == StateStopped)
        return;
    vbmp3_seek(std::clamp<Long>(seconds, 0, std::max<Long>(FileInfo.TotalSeconds, 0)));
}

void SeekScroll(Long sliderPosition) {
    Long p = 0;
    if (vbmp3_getState(&p) == StateStopped)
        return;
    // While the thumb is dragged the bar's value stays put until release; the
    // thumb's place is the value the user is choosing.
    vbmp3_seek(sliderPosition);
}

void SeekChange(Long value, Long pageStep) {
    Long p = 0;
    if (vbmp3_getState(&p) == StateStopped)
        return;
    const std::int64_t v = value;
    // The timer's own update sets the bar to the polled position, and a click
    // the maximum cut short lands within one step ahead: neither seeks.
    if (p <= v && v < std::int64_t{p} + pageStep)
        return;
    vbmp3_seek(value);
}

} // namespace modMain
