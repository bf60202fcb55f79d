// Repeat mode: loops over the last RepSeconds before the point where it was
// switched on, with the transport locked.
#include "core/modMain.h"
#include "core/player_view.h"

namespace modMain {

void ToggleRepeat() {
    PlayerView& view = View();
    if (RepeatOn == -1) {
        Long p = 0;
        const std::int32_t state = vbmp3_getState(&p);
        if (state != StatePlaying && state != StatePaused)
            return;
        vbmp3_seek(p > RepSeconds ? p - RepSeconds : 0);
        vbmp3_restart();
        view.LockTransport(true);
        view.ShowRepeatCaption(QStringLiteral("ﾘﾋﾟｰﾄ中"), FormatHms(p));
        view.RunRepeatTimer(true);
        RepeatEndSeconds = p;
        return;
    }
    view.RunRepeatTimer(false);
    view.LockTransport(false);
    view.ShowRepeatCaption(QString(), QString());
}

void RepeatClicked(bool checked) {
    RepeatOn = checked ? -1 : 0;
    ToggleRepeat();
}

void SetRepeat(bool on) {
    // The box always shows RepeatOn: only its handler changes it.
    if (on == (RepeatOn == -1))
        return;
    View().ShowRepeatChecked(on);
    RepeatClicked(on);
}

void RepeatTimerTick() {
    if (FileOpening() || CurrentSeconds != RepeatEndSeconds)
        return;
    const std::int64_t start = std::int64_t{RepeatEndSeconds} - RepSeconds;
    vbmp3_seek(start < 0 ? 0 : static_cast<Long>(start));
}

} // namespace modMain
