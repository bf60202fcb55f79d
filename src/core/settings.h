// The settings file hMEMOTAP.txt in the program's folder; AppPath, LoadSettings,
// SaveSettings and DefaultColours are declared with the other shared procedures
// in modMain.h.
#pragma once

#include "core/modMain.h"

#include <QByteArray>
#include <QString>
#include <utility>

namespace modMain {

inline const QString SettingsFileName = QStringLiteral("hMEMOTAP.txt");
QString SettingsFilePath();

using HistoryTable = decltype(History);

// The file's contents for the present settings, with the given window
// corner and history.
QByteArray SettingsFileBytes(Long left, Long top, const HistoryTable& history);
// The window corner SaveSettings stores, in twips.
std::pair<Long, Long> WindowPlaceToSave();
// Writes the file atomically; a failure is reported (once per run) and false.
bool WriteSettingsFile(const QByteArray& bytes);

// Makes AppPath() name another folder, so that tests running side by side each
// keep their files in their own temporary folder. An empty folder restores the
// executable's folder.
void SetAppPathForTesting(const QString& folder);

} // namespace modMain
