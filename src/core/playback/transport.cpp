// Play/pause with the step back on resume, the fast-forward and rewind steps,
// the jumps to the ends, and seeking from the seek bar.
#include "core/modMain.h"
#include "ui/frmMain.h"

#include <QCheckBox>
#include <QScrollBar>

namespace modMain {

void TogglePlayPause() {
    Long p = 0;
    switch (vbmp3_getState(&p)) {
    case StateStopped:
        vbmp3_play();
        break;
    case StatePlaying:
        if (RepeatOn == -1) {
            // Clearing the box ends repeat mode through its click handler;
            // playback goes on.
            if (MainForm)
                MainForm->chkRep->setChecked(false);
        } else {
            vbmp3_pause();
        }
        break;
    case StatePaused:
        vbmp3_seek(p > RevSeconds ? p - RevSeconds : 0);
        vbmp3_restart();
        break;
    default:
        break;
    }
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

void SeekScroll() {
    Long p = 0;
    if (vbmp3_getState(&p) == StateStopped || !MainForm)
        return;
    // While the thumb is dragged the bar's value stays put until release; the
    // thumb's place is the value the user is choosing.
    vbmp3_seek(MainForm->hsbSeek->sliderPosition());
}

void SeekChange() {
    Long p = 0;
    if (vbmp3_getState(&p) == StateStopped || !MainForm)
        return;
    const std::int64_t v = MainForm->hsbSeek->value();
    const std::int64_t step = MainForm->hsbSeek->pageStep();
    // The timer's own update sets the bar to the polled position, and a click
    // the maximum cut short lands within one step ahead: neither seeks.
    if (p <= v && v < std::int64_t{p} + step)
        return;
    vbmp3_seek(static_cast<Long>(v));
}

} // namespace modMain
