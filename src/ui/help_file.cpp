#include "ui/help_file.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

namespace modMain {

namespace {

std::function<bool(const QUrl&)>& UrlOpener() {
    static std::function<bool(const QUrl&)> opener;
    return opener;
}

std::function<bool(const QString&)>& ChmViewerQuery() {
    static std::function<bool(const QString&)> query;
    return query;
}

bool EndsWithSeparator(const QString& folder) {
    return folder.endsWith(QDir::separator()) || folder.endsWith(QLatin1Char('/'));
}

} // namespace

QString HelpFilePath(const QString& folder, const QString& fileName) {
    QString path = folder;
    if (!EndsWithSeparator(path))
        path += QDir::separator();
    return path + fileName;
}

QStringList HelpCandidates(const QString& folder, bool chmViewerKnown) {
    QStringList files;
    if (chmViewerKnown)
        files << HelpFilePath(folder);
    files << HelpFilePath(folder, HtmlHelpFolder + QDir::separator() + HtmlHelpIndex);
    return files;
}

bool OpenHelp(const QString& folder) {
    const QString chm = HelpFilePath(folder);
    const bool chmViewerKnown = ChmViewerQuery() ? ChmViewerQuery()(chm) : SystemOpensChm(chm);
    for (const QString& file : HelpCandidates(folder, chmViewerKnown)) {
        const QUrl url = QUrl::fromLocalFile(file);
        if (UrlOpener() ? UrlOpener()(url) : QDesktopServices::openUrl(url))
            return true;
    }
    return false;
}

void SetUrlOpenerForTesting(std::function<bool(const QUrl&)> opener) {
    UrlOpener() = std::move(opener);
}

void SetChmViewerQueryForTesting(std::function<bool(const QString&)> query) {
    ChmViewerQuery() = std::move(query);
}

} // namespace modMain
