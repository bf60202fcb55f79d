#include "core/app_paths.h"

#include "core/log.h"
#include "core/modMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace modMain {

namespace {

// Compiled in from the install prefix CMake was configured with.
const QString InstallBinFolder = QStringLiteral(MEMOTAP_INSTALL_BINDIR);
const QString InstallHelpFolder = QStringLiteral(MEMOTAP_INSTALL_HELPDIR);

QString WithSeparator(const QString& folder) {
    QString path = QDir::toNativeSeparators(folder);
    if (!path.endsWith(QDir::separator()))
        path += QDir::separator();
    return path;
}

} // namespace

bool MakePrivateFolder(const QString& folder) {
    const QStringList parts = QDir::cleanPath(folder).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString path;
    for (const QString& part : parts) {
        path += QLatin1Char('/') + part;
        // A folder made by someone else in between counts as made.
        if (!QFileInfo(path).isDir() &&
            !QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) &&
            !QFileInfo(path).isDir()) {
            qCWarning(lcSettings) << "cannot create the settings folder" << path;
            return false;
        }
    }
    return true;
}

QString SettingsFolder() {
    const SettingsLocation location =
        LocateSettings(QCoreApplication::applicationDirPath(), InstallBinFolder,
                       qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath());
    if (location.installed)
        MakePrivateFolder(location.folder);
    return location.folder;
}

QString HelpFolder() {
    if (RunsFromInstall(QCoreApplication::applicationDirPath(), InstallBinFolder))
        return WithSeparator(InstallHelpFolder);
    return AppPath();
}

} // namespace modMain
