// The key file hMEMKEY.txt in the program's folder: nine lines, one per
// record of HotKeys, in code page 932 with CR LF line ends.
#pragma once

#include "core/modMain.h"
#include "core/textfile.h"

#include <QByteArray>
#include <QString>

namespace modMain {

inline const QString KeyFileName = QStringLiteral("hMEMKEY.txt");

QString KeyFilePath();

enum class KeyFileStatus {
    Ok,      // all nine records read
    Missing, // no file: nothing read
    Failed,  // unreadable or too short: the records read before the end are kept
};

// Reads the file into HotKeys. A number field that holds no number is read
// as 0, so one damaged field costs one value rather than the whole table.
KeyFileStatus ReadKeyFile();

// The bindings of a first start.
void InstallDefaultHotKeys();

// A binding's fields after its id, as the key file writes them: Alt, Ctrl,
// Shift, Win, key code, key row, text, active.
void WriteBindingFields(textfile::FieldWriter& out, const HotkeyEntry& entry);

// The file's contents for the present table.
QByteArray KeyFileBytes();

// Writes the whole table to the key file. A failed write leaves the previous
// file as it was.
void Hozon();

} // namespace modMain
