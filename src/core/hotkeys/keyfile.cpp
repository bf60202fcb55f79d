#include "core/hotkeys/keyfile.h"

#include "core/save_failure.h"
#include "core/textfile.h"

namespace modMain {

namespace {

// A number field: its text as a 32-bit decimal, or 0 when it holds none.
bool ReadNumber(textfile::FieldReader& in, Long& value) {
    QString field;
    if (!in.readString(field))
        return false;
    bool ok = false;
    const qlonglong number = field.trimmed().toLongLong(&ok, 10);
    value = ok && number >= INT32_MIN && number <= INT32_MAX ? static_cast<Long>(number) : 0;
    return true;
}

bool ReadRecord(textfile::FieldReader& in, HotkeyEntry& entry) {
    return ReadNumber(in, entry.Id) && ReadNumber(in, entry.ModAlt) &&
           ReadNumber(in, entry.ModCtrl) && ReadNumber(in, entry.ModShift) &&
           ReadNumber(in, entry.ModWin) && ReadNumber(in, entry.VirtualKey) &&
           ReadNumber(in, entry.KeyIndex) && in.readString(entry.KeyText) &&
           ReadNumber(in, entry.Active);
}

} // namespace

QString KeyFilePath() {
    return AppPath() + KeyFileName;
}

KeyFileStatus ReadKeyFile() {
    QByteArray bytes;
    const auto status = textfile::readAll(KeyFilePath(), bytes);
    if (status == textfile::ReadStatus::Missing)
        return KeyFileStatus::Missing;
    if (status != textfile::ReadStatus::Ok)
        return KeyFileStatus::Failed;
    textfile::FieldReader in(textfile::decode(bytes));
    for (int r = 1; r <= HotKeyCount; ++r) {
        if (!ReadRecord(in, HotKeys[r]))
            return KeyFileStatus::Failed;
    }
    return KeyFileStatus::Ok;
}

void InstallDefaultHotKeys() {
    // Record, Alt, Ctrl, code, row, text; Ctrl with a key for records 1 to 8,
    // Alt+Ctrl+Space for the spare.
    struct Default {
        Long modAlt;
        Long virtualKey;
        Long keyIndex;
        const char* keyText;
    };
    static const Default defaults[HotKeyCount] = {
        {0, 32, 15, "[Ctrl]+[Space]"},       {0, 37, 22, "[Ctrl]+[←]"},
        {0, 39, 24, "[Ctrl]+[→]"},           {0, 29, 14, "[Ctrl]+[無変換]"},
        {0, 38, 23, "[Ctrl]+[↑]"},           {0, 40, 25, "[Ctrl]+[↓]"},
        {0, 33, 20, "[Ctrl]+[PageUp]"},      {0, 34, 21, "[Ctrl]+[PageDown]"},
        {1, 32, 15, "[Alt]+[Ctrl]+[Space]"},
    };
    for (int r = 1; r <= HotKeyCount; ++r) {
        const Default& d = defaults[r - 1];
        HotKeys[r] = HotkeyEntry{
            r, d.modAlt, 2, 0, 0, d.virtualKey, d.keyIndex, QString::fromUtf8(d.keyText), 1};
    }
}

QByteArray KeyFileBytes() {
    textfile::FieldWriter out;
    for (int r = 1; r <= HotKeyCount; ++r) {
        const HotkeyEntry& e = HotKeys[r];
        out.number(e.Id)
            .number(e.ModAlt)
            .number(e.ModCtrl)
            .number(e.ModShift)
            .number(e.ModWin)
            .number(e.VirtualKey)
            .number(e.KeyIndex)
            .string(e.KeyText)
            .number(e.Active)
            .endLine();
    }
    return textfile::encode(out.text());
}

void Hozon() {
    // The file is written whole in one step, so it is never left half written
    // and is never found open by another write of this program.
    QString error;
    if (!textfile::writeAtomically(KeyFilePath(), KeyFileBytes(), &error))
        ReportSaveFailure(KeyFilePath(), error);
}

} // namespace modMain
