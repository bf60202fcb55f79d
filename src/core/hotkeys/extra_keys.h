// The timestamp command's hotkey: a binding beside the nine records of the
// key file, which keeps its nine lines as they are. It is stored in the extra
// settings file and unbound until the user binds it in the hotkey dialog.
#pragma once

#include "core/modMain.h"

namespace modMain {

// The number the hotkey dialog and the registry know it by, past the key
// file's records 1 to 9.
constexpr int TimeStampRecord = 10;
// The lines of the hotkey dialog: records 1 to 8, then the timestamp.
constexpr int DialogLineCount = 9;
int RecordOfLine(int line); // line from 0

HotkeyEntry& TimeStampKey();
// The binding of a dialog record: HotKeys[record], or the timestamp's.
HotkeyEntry& Binding(int record);

// Reads the binding from the extra settings (unbound when there is none or
// it is damaged) and gives it an id that none of HotKeys' records uses.
void LoadTimeStampKey();
// Writes the binding into the extra settings file.
void SaveTimeStampKey();

} // namespace modMain
