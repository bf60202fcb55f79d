#include "inputs/keysyms_x11.h"

#include <X11/keysym.h>

namespace modMain::x11keys {

std::optional<WantedKey> KeyForVirtualKey(Long vk) {
    if (vk >= 112 && vk <= 123) // F1 to F12
        return WantedKey{static_cast<Keysym>(XK_F1 + (vk - 112))};
    if (vk >= 96 && vk <= 105) // Num0 to Num9
        return WantedKey{static_cast<Keysym>(XK_KP_0 + (vk - 96)), 0, true};
    if (vk >= '0' && vk <= '9')
        return WantedKey{static_cast<Keysym>(XK_0 + (vk - '0'))};
    if (vk >= 'A' && vk <= 'Z') // the key, not the capital letter
        return WantedKey{static_cast<Keysym>(XK_a + (vk - 'A'))};
    switch (vk) {
    case 27:
        return WantedKey{XK_Escape};
    case 29:
        return WantedKey{XK_Muhenkan};
    case 32:
        return WantedKey{XK_space};
    case 28:
        return WantedKey{XK_Henkan};
    case 242:
        return WantedKey{XK_Hiragana_Katakana};
    case 36:
        return WantedKey{XK_Home};
    case 35:
        return WantedKey{XK_End};
    case 33:
        return WantedKey{XK_Prior};
    case 34:
        return WantedKey{XK_Next};
    case 37:
        return WantedKey{XK_Left};
    case 38:
        return WantedKey{XK_Up};
    case 39:
        return WantedKey{XK_Right};
    case 40:
        return WantedKey{XK_Down};
    case 111:
        return WantedKey{XK_KP_Divide};
    case 106:
        return WantedKey{XK_KP_Multiply};
    case 109:
        return WantedKey{XK_KP_Subtract};
    case 107:
        return WantedKey{XK_KP_Add};
    case 110:
        return WantedKey{XK_KP_Decimal, 0, true};
    // The OEM keys of the JIS layout.
    case 189:
        return WantedKey{XK_minus};
    case 222:
        return WantedKey{XK_asciicircum};
    case 220: // yen key: backslash and bar
        return WantedKey{XK_backslash, XK_bar};
    case 192:
        return WantedKey{XK_at};
    case 219:
        return WantedKey{XK_bracketleft};
    case 187:
        return WantedKey{XK_semicolon};
    case 186:
        return WantedKey{XK_colon};
    case 221:
        return WantedKey{XK_bracketright};
    case 188:
        return WantedKey{XK_comma};
    case 190:
        return WantedKey{XK_period};
    case 191:
        return WantedKey{XK_slash};
    case 226: // "ろ" key left of the right Shift: backslash and underscore
        return WantedKey{XK_backslash, XK_underscore};
    default:
        return std::nullopt;
    }
}

std::vector<Keycode> KeycodesFor(const WantedKey& key, Keycode minKeycode, Keycode maxKeycode,
                                 const KeymapLookup& lookup) {
    std::vector<Keycode> found;
    auto search = [&](int column) {
        for (int code = minKeycode; code <= maxKeycode; ++code) {
            const auto keycode = static_cast<Keycode>(code);
            if (lookup(keycode, column) != key.keysym)
                continue;
            // A one-level key shows its symbol at the second level too; only
            // a key whose second level differs (the keypad) counts there.
            if (column == 1 && lookup(keycode, 0) == key.keysym)
                continue;
            if (key.shifted != 0 && lookup(keycode, 1) != key.shifted)
                continue;
            found.push_back(keycode);
        }
    };
    const int level = key.secondLevel ? 1 : 0;
    search(level);
    if (found.empty() && key.shifted == 0)
        search(1 - level);
    return found;
}

} // namespace modMain::x11keys
