#include "core/player_events.h"

#include "core/installed.h"

namespace modMain {

void PlayerEvents::NoteState(std::int32_t state) {
    if (state == lastState_)
        return;
    lastState_ = state;
    emit stateChanged(state);
}

namespace {
PlayerEvents* installedEvents = nullptr;
} // namespace

PlayerEvents& Events() {
    return Installed(installedEvents, "PlayerEvents");
}

void SetPlayerEvents(PlayerEvents* events) {
    installedEvents = events;
}

} // namespace modMain
