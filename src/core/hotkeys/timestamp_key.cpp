#include "core/hotkeys/timestamp_key.h"

#include "core/extra_settings.h"
#include "core/hotkeys/keylist.h"
#include "core/log.h"
#include "core/textfile.h"

#include <algorithm>
#include <array>

namespace modMain {

namespace {

constexpr std::array<Command, ExtraKeyCount> ExtraCommands = {
    Command::CopyTime, Command::InsertTime, Command::SeekToSelection};

std::array<HotkeyEntry, ExtraKeyCount>& extraKeys() {
    static std::array<HotkeyEntry, ExtraKeyCount> keys;
    return keys;
}

QString settingName(int record) {
    return QStringLiteral("hotkey.") + InfoOf(ExtraCommands[record - TimeStampRecord]).name;
}

HotkeyEntry unbound(Long id) {
    HotkeyEntry entry;
    entry.Id = id;
    entry.KeyText = DisabledKeyText;
    return entry;
}

bool idTaken(Long id, int extraKeysGiven) {
    return std::any_of(HotKeys.begin() + 1, HotKeys.end(),
                       [id](const HotkeyEntry& e) { return e.Id == id; }) ||
           std::any_of(extraKeys().begin(), extraKeys().begin() + extraKeysGiven,
                       [id](const HotkeyEntry& e) { return e.Id == id; });
}

// The smallest positive id that no record of the key file holds and none of
// the first extraKeysGiven bindings took.
Long freeId(int extraKeysGiven) {
    Long id = 1;
    while (idTaken(id, extraKeysGiven))
        ++id;
    return id;
}

// The key file's fields after the id: Alt, Ctrl, Shift, Win, key code, key
// row, text, active.
bool parse(const QString& value, HotkeyEntry& entry) {
    textfile::FieldReader in(value);
    return in.readLong(entry.ModAlt) && in.readLong(entry.ModCtrl) && in.readLong(entry.ModShift) &&
           in.readLong(entry.ModWin) && in.readLong(entry.VirtualKey) &&
           in.readLong(entry.KeyIndex) && in.readString(entry.KeyText) &&
           in.readLong(entry.Active) && entry.KeyIndex >= 0 && entry.KeyIndex < KeyListCount;
}

} // namespace

int RecordOfLine(int line) {
    return line < CommandCount ? line + 1 : TimeStampRecord + line - CommandCount;
}

bool IsExtraKeyRecord(int record) {
    return record >= TimeStampRecord && record < TimeStampRecord + ExtraKeyCount;
}

std::optional<Command> CommandOfExtraKey(int record) {
    if (!IsExtraKeyRecord(record))
        return std::nullopt;
    return ExtraCommands[record - TimeStampRecord];
}

HotkeyEntry& TimeStampKey() {
    return extraKeys()[0];
}

HotkeyEntry& Binding(int record) {
    return IsExtraKeyRecord(record) ? extraKeys()[record - TimeStampRecord] : HotKeys[record];
}

std::optional<Command> ExtraKeyCommandOfId(Long id) {
    for (int i = 0; i < ExtraKeyCount; ++i)
        if (extraKeys()[i].Active != 0 && extraKeys()[i].Id == id)
            return ExtraCommands[i];
    return std::nullopt;
}

void LoadExtraKeys() {
    for (int i = 0; i < ExtraKeyCount; ++i) {
        const int record = TimeStampRecord + i;
        const Long id = freeId(i);
        HotkeyEntry entry = unbound(id);
        const QString value = ExtraSetting(settingName(record));
        if (!value.isEmpty() && !parse(value, entry)) {
            qCWarning(lcSettings).noquote()
                << settingName(record) << "damaged, left unbound:" << value;
            entry = unbound(id);
        }
        entry.Id = id;
        extraKeys()[i] = entry;
    }
}

void SaveExtraKey(int record) {
    if (!IsExtraKeyRecord(record))
        return;
    const HotkeyEntry& e = Binding(record);
    textfile::FieldWriter out;
    out.number(e.ModAlt)
        .number(e.ModCtrl)
        .number(e.ModShift)
        .number(e.ModWin)
        .number(e.VirtualKey)
        .number(e.KeyIndex)
        .string(e.KeyText)
        .number(e.Active);
    SetExtraSetting(settingName(record), out.text());
    SaveExtraSettings();
}

} // namespace modMain
