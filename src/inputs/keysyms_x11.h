// Which X key a virtual-key code of KeyList means, and where the running
// keymap has it. The codes are those of a Japanese (JIS) keyboard; the keys
// are found by the symbol they type, so any layout that has the key works.
#pragma once

#include "core/modMain.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace modMain::x11keys {

using Keysym = std::uint32_t;
using Keycode = std::uint8_t;

struct WantedKey {
    Keysym keysym = 0;
    // When set, the key must type this with Shift as well: the yen key and
    // the "ろ" key of a Japanese keyboard both type a backslash.
    Keysym shifted = 0;
    // The keypad's digits and decimal point type their symbol at the second
    // level (with Num Lock); other keys may type it there first.
    bool secondLevel = false;
};

std::optional<WantedKey> KeyForVirtualKey(Long virtualKey);

// A keymap as the core protocol shows it: the keysym in a column of a key
// (column 0 plain, column 1 with Shift), 0 for none.
using KeymapLookup = std::function<Keysym(Keycode keycode, int column)>;

// The keys that type the wanted symbol at its level; failing that, at the
// other of the first two levels, unless a shifted symbol is required. Empty
// when the keymap has no such key.
std::vector<Keycode> KeycodesFor(const WantedKey& key, Keycode minKeycode, Keycode maxKeycode,
                                 const KeymapLookup& lookup);

} // namespace modMain::x11keys
