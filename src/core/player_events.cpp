#include "core/player_events.h"

namespace modMain {

void PlayerEvents::NoteState(std::int32_t state) {
    if (state == lastState_)
        return;
    lastState_ = state;
    emit stateChanged(state);
}

PlayerEvents& Events() {
    static PlayerEvents events;
    return events;
}

} // namespace modMain
