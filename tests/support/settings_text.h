// Settings files as the end-to-end tests seed them: the given history lines
// (five, filled with empty entries), speed 100 and a two-colour table.
#pragma once

#include "core/textfile.h"

#include <QString>
#include <QStringList>

inline QByteArray settings(const QStringList& historyLines) {
    QStringList lines = historyLines;
    while (lines.size() < 5)
        lines << "\"\",0";
    return textfile::encode(QStringLiteral("0,0,1\r\n") + lines.join("\r\n") +
                            QStringLiteral("\r\n100,0,10,4,4\r\n"
                                           "2\r\n0,0,0,\"黒\"\r\n255,255,255,\"白\"\r\n0,1\r\n"));
}

// One history line: the quoted path and the position in seconds.
inline QString entry(const QString& path, int position) {
    return QStringLiteral("\"%1\",%2").arg(path, QString::number(position));
}
