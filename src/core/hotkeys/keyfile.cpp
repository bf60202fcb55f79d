#include "core/hotkeys/keyfile.h"

#include "core/hotkeys/keyfile_reader.h"
#include "core/log.h"
#include "core/save_failure.h"
#include "core/textfile.h"

namespace modMain {

QString KeyFilePath() {
    return AppPath() + KeyFileName;
}

KeyFileStatus ReadKeyFile() {
    QByteArray bytes;
    const auto status = textfile::readAll(KeyFilePath(), bytes);
    if (status == textfile::ReadStatus::Missing)
        return KeyFileStatus::Missing;
    if (status != textfile::ReadStatus::Ok) {
        qCWarning(lcSettings) << KeyFilePath() << "could not be read";
        return KeyFileStatus::Failed;
    }
    const KeyFileRead read = ParseKeyFile(bytes, HotKeys);
    if (read.problem)
        qCWarning(lcSettings).noquote() << read.problem->describe(KeyFilePath());
    return read.complete ? KeyFileStatus::Ok : KeyFileStatus::Failed;
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

void WriteBindingFields(textfile::FieldWriter& out, const HotkeyEntry& e) {
    out.number(e.ModAlt)
        .number(e.ModCtrl)
        .number(e.ModShift)
        .number(e.ModWin)
        .number(e.VirtualKey)
        .number(e.KeyIndex)
        .string(e.KeyText)
        .number(e.Active);
}

QByteArray KeyFileBytes() {
    textfile::FieldWriter out;
    for (int r = 1; r <= HotKeyCount; ++r) {
        const HotkeyEntry& e = HotKeys[r];
        out.number(e.Id);
        WriteBindingFields(out, e);
        out.endLine();
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
