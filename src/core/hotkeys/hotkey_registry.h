// The hotkeys of the running player: reads the key file at start-up, takes
// the active records' combinations through the platform's backend, runs the
// command of a pressed one, and gives them back at exit. The hotkey dialog
// changes bindings through it.
#pragma once

#include "core/modMain.h"

#include <QMetaObject>
#include <QString>

namespace modMain {

class HotkeyRegistry {
  public:
    // Reads the key file; a missing one is said in a box and the defaults
    // are used. False when the file could not be read whole: nothing is
    // registered then, and the records read before the damage are kept.
    bool Load();
    // Takes each active record of 1 to 8; one box for each refused one. A
    // desktop that decides the keys gets them all at once instead
    // (StartDesktopHotkeys).
    void RegisterActive();
    // Binds record to the combination of wanted. The replaced combination is
    // given back first and taken again when the new one is refused, so the
    // record and the system always agree. False when refused.
    bool Rebind(int record, const HotkeyEntry& wanted);
    // Gives back what record holds; false when it holds nothing.
    bool Release(int record);
    // Gives back every combination and writes the key file (exit).
    void Unload();

  private:
    // To the backend that was in place at the last Load.
    QMetaObject::Connection presses_;
    QMetaObject::Connection releases_;
};

// The player's registry, as the composition root handed it over.
HotkeyRegistry& Hotkeys();
void SetHotkeyRegistry(HotkeyRegistry* registry);

} // namespace modMain
