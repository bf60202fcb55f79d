// The timestamp commands' hotkeys (copy, insert, jump to the selected time):
// bindings beside the nine records of the key file, which keeps its nine
// lines as they are. Each is stored in the extra settings file as
// "hotkey.<command>=" and unbound until the user binds it in the hotkey
// dialog.
#pragma once

#include "core/commands.h"
#include "core/modMain.h"

#include <optional>

namespace modMain {

// The numbers the hotkey dialog and the registry know them by, past the key
// file's records 1 to 9.
constexpr int TimeStampRecord = 10;
constexpr int InsertTimeRecord = 11;
constexpr int SeekToSelectionRecord = 12;
constexpr int ExtraKeyCount = 3;
// The lines of the hotkey dialog: records 1 to 8, then the three above.
constexpr int DialogLineCount = 8 + ExtraKeyCount;
int RecordOfLine(int line); // line from 0

bool IsExtraKeyRecord(int record);
// The command of records 10 to 12.
std::optional<Command> CommandOfExtraKey(int record);
HotkeyEntry& TimeStampKey();
// The binding of a dialog record: HotKeys[record], or one of the three above.
HotkeyEntry& Binding(int record);
// The command of a press of one of the three bindings above, by its id.
std::optional<Command> ExtraKeyCommandOfId(Long id);

// Reads the bindings from the extra settings (unbound when there is none or
// it is damaged) and gives each an id that no other record uses.
void LoadExtraKeys();
// Writes the binding of record (10 to 12) into the extra settings file.
void SaveExtraKey(int record);

} // namespace modMain
