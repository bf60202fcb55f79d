#include "core/hotkeys/extra_keys.h"

#include "core/extra_settings.h"
#include "core/hotkeys/keyfile.h"
#include "core/hotkeys/keylist.h"
#include "core/log.h"
#include "core/textfile.h"

#include <algorithm>
#include <array>

namespace modMain {

namespace {

struct ExtraKey {
    Command command;
    const char* label;
};

// In record order from TimeStampRecord.
constexpr std::array<ExtraKey, ExtraKeyCount> ExtraKeys = {{
    {Command::CopyTime, "TimeStamp :"},
    {Command::InsertTime, "InsertTime:"},
    {Command::SeekToSelection, "JumpToTime:"},
    {Command::Levelling, "Levelling :"},
    {Command::NoiseReduction, "NoiseCut  :"},
    {Command::LowCut, "LowCut    :"},
    {Command::Channel, "Channel   :"},
}};

std::array<HotkeyEntry, ExtraKeyCount>& entries() {
    static std::array<HotkeyEntry, ExtraKeyCount> all{};
    return all;
}

QString settingName(int record) {
    return QStringLiteral("hotkey.") + InfoOf(ExtraKeys[record - TimeStampRecord].command).name;
}

HotkeyEntry unbound(Long id) {
    HotkeyEntry entry;
    entry.Id = id;
    entry.KeyText = DisabledKeyText;
    return entry;
}

// The smallest positive id no record of the key file and no extra key
// before index holds.
Long freeId(int index) {
    Long id = 1;
    const auto taken = [index](Long candidate) {
        return std::any_of(HotKeys.begin() + 1, HotKeys.end(),
                           [candidate](const HotkeyEntry& e) { return e.Id == candidate; }) ||
               std::any_of(entries().begin(), entries().begin() + index,
                           [candidate](const HotkeyEntry& e) { return e.Id == candidate; });
    };
    while (taken(id))
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

bool IsExtraRecord(int record) {
    return record >= TimeStampRecord && record < TimeStampRecord + ExtraKeyCount;
}

std::optional<Command> CommandOfExtraRecord(int record) {
    if (!IsExtraRecord(record))
        return std::nullopt;
    return ExtraKeys[record - TimeStampRecord].command;
}

QString ExtraKeyLabel(int record) {
    if (!IsExtraRecord(record))
        return {};
    return QString::fromLatin1(ExtraKeys[record - TimeStampRecord].label);
}

HotkeyEntry& TimeStampKey() {
    return entries()[0];
}

HotkeyEntry& Binding(int record) {
    return IsExtraRecord(record) ? entries()[record - TimeStampRecord] : HotKeys[record];
}

std::optional<Command> ExtraKeyCommandOfId(Long id) {
    for (int index = 0; index < ExtraKeyCount; ++index)
        if (entries()[index].Active != 0 && entries()[index].Id == id)
            return ExtraKeys[index].command;
    return std::nullopt;
}

void LoadExtraKeys() {
    for (int index = 0; index < ExtraKeyCount; ++index) {
        const int record = TimeStampRecord + index;
        const Long id = freeId(index);
        HotkeyEntry entry = unbound(id);
        const QString value = ExtraSetting(settingName(record));
        if (!value.isEmpty() && !parse(value, entry)) {
            qCWarning(lcSettings).noquote()
                << settingName(record) << "damaged, left unbound:" << value;
            entry = unbound(id);
        }
        entry.Id = id;
        entries()[index] = entry;
    }
}

void SaveExtraKey(int record) {
    if (!IsExtraRecord(record))
        return;
    textfile::FieldWriter out;
    WriteBindingFields(out, Binding(record));
    SetExtraSetting(settingName(record), out.text());
    SaveExtraSettings();
}

} // namespace modMain
