// The key list's row of a key name, as the hotkey dialog lists it and the
// settings store it; -1 for a name it does not hold.
#pragma once

#include "core/hotkeys/keylist.h"

inline int keyRow(const QString& name) {
    for (int row = 0; row < modMain::KeyListCount; ++row)
        if (modMain::KeyList()[row].Name == name)
            return row;
    return -1;
}
