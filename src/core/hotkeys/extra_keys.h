// The hotkeys beside the nine records of the key file, which keeps its nine
// lines as they are: the timestamp's three commands (copy, insert, jump to
// the selected time) and the switches of the hearing aids. Each
// is stored in the extra settings file as "hotkey.<command name>" and is
// unbound until the user binds it in the hotkey dialog.
#pragma once

#include "core/commands.h"
#include "core/hotkeys/keylist.h"
#include "core/modMain.h"

#include <optional>

namespace modMain {

// The numbers the hotkey dialog and the registry know them by, past the key
// file's records 1 to 9: the timestamp first.
constexpr int TimeStampRecord = 10;
constexpr int InsertTimeRecord = 11;
constexpr int SeekToSelectionRecord = 12;
constexpr int ExtraKeyCount = 7;
// The lines of the hotkey dialog: records 1 to 8, then the extra keys.
constexpr int DialogLineCount = CommandCount + ExtraKeyCount;
int RecordOfLine(int line); // line from 0

bool IsExtraRecord(int record);
// The command of an extra record; none for other records.
std::optional<Command> CommandOfExtraRecord(int record);
// "TimeStamp :" and the like, for the dialog's list.
QString ExtraKeyLabel(int record);

HotkeyEntry& TimeStampKey();
// The binding of a dialog record: HotKeys[record], or an extra key's.
HotkeyEntry& Binding(int record);
// The command of a press of an active extra key, by its id.
std::optional<Command> ExtraKeyCommandOfId(Long id);

// Reads the bindings from the extra settings (unbound when there is none or
// it is damaged) and gives them ids that none of HotKeys' records uses.
void LoadExtraKeys();
// Writes an extra key's binding into the extra settings file.
void SaveExtraKey(int record);

} // namespace modMain
