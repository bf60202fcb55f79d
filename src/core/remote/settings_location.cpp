#include "core/remote/settings_location.h"

#include <QDir>
#include <QFileInfo>

namespace modMain {

namespace {

// A folder as the file system names it: symbolic links resolved where it
// exists, otherwise only cleaned.
QString Resolved(const QString& folder) {
    const QString cleaned = QDir::cleanPath(QDir(folder).absolutePath());
    const QString canonical = QFileInfo(cleaned).canonicalFilePath();
    return canonical.isEmpty() ? cleaned : canonical;
}

} // namespace

bool RunsFromInstall(const QString& exeFolder, const QString& installBinFolder) {
    if (exeFolder.isEmpty() || installBinFolder.isEmpty())
        return false;
    return Resolved(exeFolder) == Resolved(installBinFolder);
}

SettingsLocation LocateSettings(const QString& exeFolder, const QString& installBinFolder,
                                const QString& xdgConfigHome, const QString& home) {
    if (!RunsFromInstall(exeFolder, installBinFolder))
        return {exeFolder, false};
    const QString configHome =
        QDir::isAbsolutePath(xdgConfigHome) ? xdgConfigHome : home + QStringLiteral("/.config");
    return {QDir::cleanPath(configHome + QLatin1Char('/') + ConfigFolderName), true};
}

} // namespace modMain
