// Foot pedals read straight from the device, on X11 and Wayland alike.
#pragma once

class QObject;

namespace inputs {

// Reads the pedal settings and the pedals from start-up to exit; owner owns
// what reads them.
void StartPedals(QObject* owner);

} // namespace inputs
