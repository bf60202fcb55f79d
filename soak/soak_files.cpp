#include "core/hotkeys/keyfile.h"
#include "core/textfile.h"
#include "soak.h"

#include <QTextStream>
#include <cstdio>

namespace soak {

void Finding(Figures& figures, const QString& what) {
    ++figures.findings;
    std::fprintf(stderr, "FINDING %s\n", what.toUtf8().constData());
    std::fflush(stderr);
}

QString SettingsProblem(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return QStringLiteral("empty");
    textfile::FieldReader reader(textfile::decode(bytes));
    std::int32_t number = 0;
    std::int16_t small = 0;
    QString text;
    const auto longs = [&](int count, const char* what) -> QString {
        for (int i = 0; i < count; ++i)
            if (!reader.readLong(number))
                return QStringLiteral("%1 at line %2").arg(what).arg(reader.line());
        return {};
    };
    if (QString p = longs(3, "window"); !p.isEmpty())
        return p;
    for (int entry = 1; entry <= 5; ++entry) {
        if (!reader.readString(text) || !reader.readLong(number) || number < 0)
            return QStringLiteral("history entry %1").arg(entry);
    }
    if (QString p = longs(5, "speed and steps"); !p.isEmpty())
        return p;
    std::int16_t colours = 0;
    if (!reader.readInteger(colours) || colours < 1)
        return QStringLiteral("colour count");
    for (int c = 0; c < colours; ++c) {
        if (!reader.readInteger(small) || !reader.readInteger(small) ||
            !reader.readInteger(small) || !reader.readString(text))
            return QStringLiteral("colour %1").arg(c);
    }
    std::int16_t panel = 0;
    std::int16_t chars = 0;
    if (!reader.readInteger(panel) || !reader.readInteger(chars) || panel < 0 || chars < 0 ||
        panel >= colours || chars >= colours)
        return QStringLiteral("strip colours");
    if (reader.readString(text))
        return QStringLiteral("more fields than the layout has");
    return {};
}

QString KeyFileProblem() {
    QByteArray bytes;
    if (textfile::readAll(modMain::KeyFilePath(), bytes) != textfile::ReadStatus::Ok)
        return QStringLiteral("key file missing or unreadable");
    if (modMain::ReadKeyFile() != modMain::KeyFileStatus::Ok)
        return QStringLiteral("key file does not read");
    if (modMain::KeyFileBytes() != bytes)
        return QStringLiteral("key file does not read back to its bytes");
    return {};
}

} // namespace soak
