// Most Linux desktops have no .chm viewer; xdg-mime tells whether this one
// has an application registered for the file's type.
#include "ui/help_file.h"

#include <QMimeDatabase>
#include <QProcess>

namespace modMain {

bool SystemOpensChm(const QString& chmPath) {
    const QString mimeType =
        QMimeDatabase().mimeTypeForFile(chmPath, QMimeDatabase::MatchExtension).name();
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!query.waitForStarted(3000))
        return false;
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished(1000);
        return false;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
           !query.readAllStandardOutput().trimmed().isEmpty();
}

} // namespace modMain
