// The keys a hotkey may use, the command labels of the hotkey dialog and the
// rule that turns a binding into the text the user sees.
#pragma once

#include "core/modMain.h"

#include <QString>
#include <array>

namespace modMain {

struct KeyListEntry {
    QString Name;
    Long Code; // Windows virtual-key code as a Japanese (JIS) keyboard sends it
};

constexpr int KeyListCount = 89;
constexpr int CommandCount = 8; // records 1 to 8; record 9 is a spare

// Row 0 is "<<無効>>", the disabled binding.
const std::array<KeyListEntry, KeyListCount>& KeyList();

inline const QString DisabledKeyText = QStringLiteral("<<無効>>");

// The modifier bits of the key file, as RegisterHotKey takes them.
constexpr Long ModAltBit = 1;
constexpr Long ModCtrlBit = 2;
constexpr Long ModShiftBit = 4;
constexpr Long ModWinBit = 8;

// "Listen    :" for record 1 up to "SetEnd    :" for record 8, and
// "TimeStamp :", "InsertTime:" and "JumpToTime:" for the timestamp keys.
QString CommandLabel(int record);

// "[Alt]+[Ctrl]+[Shift]+[Win]+[name]" with only the modifiers that are set.
QString MakeKeyText(bool alt, bool ctrl, bool shift, bool win, const QString& keyName);

// The modifiers of a record as one value: ModWin OR ModShift OR ModCtrl OR ModAlt.
Long ModifiersOf(const HotkeyEntry& entry);

} // namespace modMain
