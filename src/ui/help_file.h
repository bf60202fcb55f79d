// The help: "help.chm" next to the executable, opened with the desktop's
// viewer, and the same pages as HTML for desktops that cannot show a .chm.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QUrl;

namespace modMain {

inline const QString HelpFileName = QStringLiteral("help.chm");
// The HTML help: this folder next to the executable and its first page.
inline const QString HtmlHelpFolder = QStringLiteral("help");
inline const QString HtmlHelpIndex = QStringLiteral("index.html");

// folder, a separator unless the folder already ends with one (as a root
// folder does), then the file name.
QString HelpFilePath(const QString& folder, const QString& fileName = HelpFileName);

// The files to offer the desktop, in order: the compiled help where a viewer
// for it is known, then the HTML help.
QStringList HelpCandidates(const QString& folder, bool chmViewerKnown);

// Asks the desktop to open the help of the program in folder; the first
// candidate it accepts wins. False when it accepted none.
bool OpenHelp(const QString& folder);

// Whether the desktop has an application for .chm files (platform part).
bool SystemOpensChm(const QString& chmPath);

// Tests stand in for the desktop: the opener gets every URL OpenHelp offers
// and answers whether it opened it; the query answers SystemOpensChm. Empty
// functions restore the desktop's own.
void SetUrlOpenerForTesting(std::function<bool(const QUrl&)> opener);
void SetChmViewerQueryForTesting(std::function<bool(const QString&)> query);

} // namespace modMain
