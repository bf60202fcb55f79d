// The hotkey backend of the platform the player runs on.
#pragma once

#include "core/hotkeys/hotkey_backend.h"

namespace modMain {

// X11 key grabs on the xcb platform; where the platform has no global
// hotkeys (Wayland without X11) every registration fails.
std::unique_ptr<HotkeyBackend> makePlatformHotkeyBackend();

} // namespace modMain
