// What the core's parts share while the player runs: the player's events, the
// input method's news, the hotkey registry, the pedals and their settings,
// and the settings file's snapshots. The composition root (src/app) creates
// them once, before anything reaches them; a test program does the same.
#pragma once

#include "core/hotkeys/hotkey_registry.h"
#include "core/hotkeys/input_method.h"
#include "core/pedals/pedal_controller.h"
#include "core/pedals/pedal_settings.h"
#include "core/playback/place.h"
#include "core/player_events.h"

namespace modMain {

class CoreServices {
  public:
    // Hands each one over as it is created.
    CoreServices();
    // Takes them back in the reverse order.
    ~CoreServices();
    CoreServices(const CoreServices&) = delete;
    CoreServices& operator=(const CoreServices&) = delete;

  private:
    PlayerEvents events_;
    InputMethodEvents inputMethodEvents_;
    Snapshots snapshots_;
    HotkeyRegistry hotkeys_;
    pedals::PedalSettings pedalSettings_;
    pedals::PedalController pedals_;
};

} // namespace modMain
