// Foot pedals read straight from the device, on X11 and Wayland alike.
#pragma once

#include <memory>

class QObject;

namespace inputs {

// Reads the pedal settings, then the pedals for the life of what it returns
// (null where there is no pedal support).
std::unique_ptr<QObject> StartPedals();

} // namespace inputs
