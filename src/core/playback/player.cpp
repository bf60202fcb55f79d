// The player's life: the engine's start, the 100 ms poll that shows what it
// does, and the close that frees it and keeps the place.
#include "core/commands.h"
#include "core/messagebox.h"
#include "core/modMain.h"
#include "core/playback/free_engine.h"
#include "core/playback/place.h"
#include "core/player_events.h"
#include "core/player_view.h"

#include <algorithm>
#include <chrono>

namespace modMain {

void InitialiseEngine(std::function<void()> then) {
    vbmp3_init([then = std::move(then)] {
        const EngineOptions options{1, 1, 0, 0};
        if ((vbmp3_setVbmp3Option(&options) & 0xFFFF) == 0)
            ShowMessage(QStringLiteral("vbmp3_setVbmp3Option=error"), AppTitle);
        if (then)
            then();
    });
}

void MainTimerTick() {
    // The open shows its own state and the place is not known yet.
    if (FileOpening())
        return;
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
    // A length that was an estimate at the open becomes exact later.
    Long exact = 0;
    if (vbmp3_takeExactLength(&exact)) {
        FileInfo.TotalSeconds = exact;
        view.SetSeekMaximum(std::max<Long>(exact, 0));
        view.ShowTotalTime(QStringLiteral("/ ") + FormatHms(exact));
    }
    // Held paused at the end rather than stopped, so rewind and resume work.
    if (state == StatePlaying && CurrentSeconds == FileInfo.TotalSeconds)
        vbmp3_pause();
    view.ShowPosition(CurrentSeconds);
    PlaceRead(state, CurrentSeconds);
}

void ShutDownPlayer() {
    BeginShutdown();
    StopSnapshots();
    vbmp3_setEqualizer(nullptr);
    StorePlaceInHistory();
    vbmp3_stop();
    // Saved before the engine is freed: freeing waits for libmpv's reads,
    // which on a share that stopped answering may never return.
    SaveSettings();
    FreeEngineWithin(std::chrono::seconds(10));
}

} // namespace modMain
