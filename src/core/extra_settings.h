// memotap-extra.txt in the settings folder: the settings of inputs the two
// original files have no room for (the timestamp hotkey, and later the
// desktop portal's shortcuts and the pedals). One "name=value" per line, in
// code page 932 (UTF-8 with a byte-order mark where it cannot carry the text)
// with CR LF line ends, written atomically. Lines of names this version does
// not know are kept as they are, so a newer version's settings survive.
#pragma once

#include <QByteArray>
#include <QString>

namespace modMain {

inline const QString ExtraSettingsFileName = QStringLiteral("memotap-extra.txt");

QString ExtraSettingsPath();

// Reads the file; a missing file is no fault (every value is then empty),
// an unreadable one leaves a log line.
void LoadExtraSettings();
// The value of name, empty when the file has none.
QString ExtraSetting(const QString& name);
void SetExtraSetting(const QString& name, const QString& value);

QByteArray ExtraSettingsBytes();
// Writes the file in one step; false (and a log line) when it failed.
bool SaveExtraSettings();

void ResetExtraSettingsForTesting();

} // namespace modMain
