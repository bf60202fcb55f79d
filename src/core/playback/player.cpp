// The player's life: the engine's start, the 100 ms poll that shows what it
// does, and the close that frees it and keeps the place.
#include "core/commands.h"
#include "core/messagebox.h"
#include "core/modMain.h"
#include "core/player_events.h"
#include "core/player_view.h"

namespace modMain {

void InitialiseEngine() {
    vbmp3_init();
    const EngineOptions options{1, 1, 0, 0};
    if ((vbmp3_setVbmp3Option(&options) & 0xFFFF) == 0)
        ShowMessage(QStringLiteral("vbmp3_setVbmp3Option=error"), AppTitle);
}

void MainTimerTick() {
    PlayerView& view = View();
    const std::int32_t state = vbmp3_getState(&CurrentSeconds);
    Events().NoteState(state);
    switch (state) {
    case StateStopped:
        view.ShowState(QStringLiteral("停止"));
        break;
    case StatePlaying:
        view.ShowState(QStringLiteral("再生中"));
        break;
    case StatePaused:
        view.ShowState(QStringLiteral("一時停止"));
        break;
    default:
        break;
    }
    // Held paused at the end rather than stopped, so rewind and resume work.
    if (state == StatePlaying && CurrentSeconds == FileInfo.TotalSeconds)
        vbmp3_pause();
    view.ShowPosition(CurrentSeconds);
}

void ShutDownPlayer() {
    BeginShutdown();
    vbmp3_setEqualizer(nullptr);
    History[1].Position = CurrentSeconds;
    vbmp3_stop();
    vbmp3_free();
    SaveSettings();
}

} // namespace modMain
