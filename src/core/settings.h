// The settings file hMEMOTAP.txt in the program's folder; AppPath, LoadSettings,
// SaveSettings and DefaultColours are declared with the other shared procedures
// in modMain.h.
#pragma once

#include <QString>

namespace modMain {

inline const QString SettingsFileName = QStringLiteral("hMEMOTAP.txt");

// Makes AppPath() name another folder, so that tests running side by side each
// keep their files in their own temporary folder. An empty folder restores the
// executable's folder.
void SetAppPathForTesting(const QString& folder);

} // namespace modMain
