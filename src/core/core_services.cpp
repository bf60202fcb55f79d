#include "core/core_services.h"

namespace modMain {

// The members are created in the order they are declared; each is handed
// over here in that order.
CoreServices::CoreServices() {
    SetPlayerEvents(&events_);
    SetInputMethodEvents(&inputMethodEvents_);
    SetSnapshots(&snapshots_);
    SetHotkeyRegistry(&hotkeys_);
    pedals::SetPedalSettings(&pedalSettings_);
    pedals::SetPedalController(&pedals_);
}

CoreServices::~CoreServices() {
    pedals::SetPedalController(nullptr);
    pedals::SetPedalSettings(nullptr);
    SetHotkeyRegistry(nullptr);
    SetSnapshots(nullptr);
    SetInputMethodEvents(nullptr);
    SetPlayerEvents(nullptr);
}

} // namespace modMain
