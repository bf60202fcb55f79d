// A stand-in for the system's hotkeys: it holds what the program registers,
// refuses combinations "other applications" hold, and presses a combination
// the way the system delivers it.
#pragma once

#include "core/hotkeys/hotkey_backend.h"

#include <QStringList>
#include <map>
#include <set>
#include <utility>

class FakeHotkeyBackend : public modMain::HotkeyBackend {
  public:
    using Combination = std::pair<modMain::Long, modMain::Long>; // modifiers, virtual key

    // Installs a new fake as the program's backend and returns it.
    static FakeHotkeyBackend& install();

    bool registerHotKey(modMain::Long id, modMain::Long modifiers,
                        modMain::Long virtualKey) override;
    bool unregisterHotKey(modMain::Long id) override;

    // What the program holds, by id (an id may hold more than one).
    std::multimap<modMain::Long, Combination> held;
    // Combinations other applications hold.
    std::set<Combination> heldElsewhere;
    // Every call in order: "register(1,2,32)=1", "unregister(1)=0".
    QStringList calls;

    QStringList take();
    // Presses a combination: the program hears it when it holds it.
    bool press(modMain::Long modifiers, modMain::Long virtualKey);
    // The combinations id holds.
    std::set<Combination> combinationsOf(modMain::Long id) const;
};
