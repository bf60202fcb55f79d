#include "core/hotkeys/timestamp_key.h"

#include "core/extra_settings.h"
#include "core/hotkeys/keylist.h"
#include "core/log.h"
#include "core/textfile.h"

#include <algorithm>

namespace modMain {

namespace {

const QString SettingName = QStringLiteral("hotkey.copy-time");

HotkeyEntry unbound(Long id) {
    HotkeyEntry entry;
    entry.Id = id;
    entry.KeyText = DisabledKeyText;
    return entry;
}

// The smallest positive id no record of the key file holds.
Long freeId() {
    Long id = 1;
    while (std::any_of(HotKeys.begin() + 1, HotKeys.end(),
                       [id](const HotkeyEntry& e) { return e.Id == id; }))
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
    return line == DialogLineCount - 1 ? TimeStampRecord : line + 1;
}

HotkeyEntry& TimeStampKey() {
    static HotkeyEntry entry = unbound(0);
    return entry;
}

HotkeyEntry& Binding(int record) {
    return record == TimeStampRecord ? TimeStampKey() : HotKeys[record];
}

void LoadTimeStampKey() {
    const Long id = freeId();
    HotkeyEntry entry = unbound(id);
    const QString value = ExtraSetting(SettingName);
    if (!value.isEmpty() && !parse(value, entry)) {
        qCWarning(lcSettings).noquote() << "timestamp hotkey damaged, left unbound:" << value;
        entry = unbound(id);
    }
    entry.Id = id;
    TimeStampKey() = entry;
}

void SaveTimeStampKey() {
    const HotkeyEntry& e = TimeStampKey();
    textfile::FieldWriter out;
    out.number(e.ModAlt)
        .number(e.ModCtrl)
        .number(e.ModShift)
        .number(e.ModWin)
        .number(e.VirtualKey)
        .number(e.KeyIndex)
        .string(e.KeyText)
        .number(e.Active);
    SetExtraSetting(SettingName, out.text());
    SaveExtraSettings();
}

} // namespace modMain
