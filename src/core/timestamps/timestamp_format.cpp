#include "core/timestamps/timestamp_format.h"

#include <QStringList>
#include <algorithm>
#include <array>

namespace modMain {

namespace {

enum class Unit { Hours, Minutes, Seconds, Tenths };

struct Placeholder {
    QStringView text;
    Unit unit;
};

constexpr std::array<Placeholder, 4> Placeholders = {{
    {u"{hh}", Unit::Hours},
    {u"{mm}", Unit::Minutes},
    {u"{ss}", Unit::Seconds},
    {u"{d}", Unit::Tenths},
}};

// The placeholder that starts at index, if any.
const Placeholder* placeholderAt(const QString& format, qsizetype index) {
    for (const Placeholder& p : Placeholders)
        if (QStringView(format).mid(index).startsWith(p.text))
            return &p;
    return nullptr;
}

bool shows(const QString& format, Unit unit) {
    for (const Placeholder& p : Placeholders)
        if (p.unit == unit && format.contains(p.text))
            return true;
    return false;
}

QString twoDigits(qint64 value) {
    return QString::number(value).rightJustified(2, u'0');
}

// Seconds with an optional ".t" (tenths, hundredths, milliseconds) in ms.
std::optional<qint64> secondsField(const QString& field) {
    const QStringList parts = field.split(u'.');
    if (parts.size() > 2 || parts[0].isEmpty() || parts[0].size() > 9)
        return std::nullopt;
    const auto digits = [](const QString& s) {
        return std::all_of(s.begin(), s.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    if (!digits(parts[0]))
        return std::nullopt;
    qint64 ms = parts[0].toLongLong() * 1000;
    if (parts.size() == 2) {
        if (parts[1].isEmpty() || parts[1].size() > 3 || !digits(parts[1]))
            return std::nullopt;
        ms += parts[1].leftJustified(3, u'0').toLongLong();
    }
    return ms;
}

} // namespace

std::optional<QString> TimestampFormatProblem(const QString& format) {
    if (format.isEmpty())
        return QStringLiteral("書式が空です。");
    if (format.size() > LongestTimestampFormat)
        return QStringLiteral("書式は%1文字以内にしてください。").arg(LongestTimestampFormat);
    if (format.contains(u'\r') || format.contains(u'\n'))
        return QStringLiteral("書式に改行は使えません。");
    for (const Placeholder& p : Placeholders)
        if (format.contains(p.text))
            return std::nullopt;
    return QStringLiteral("書式に {hh} {mm} {ss} {d} のどれかを入れてください。");
}

QString FormatTimestamp(const QString& format, qint64 positionMs, qint64 offsetMs) {
    const qint64 total = std::max<qint64>(positionMs + offsetMs, 0);
    qint64 tenths = total / 100;
    // Each unit the format leaves out is carried down into the next one shown.
    const bool hours = shows(format, Unit::Hours);
    const bool minutes = shows(format, Unit::Minutes);
    const bool seconds = shows(format, Unit::Seconds);
    const qint64 h = hours ? tenths / 36000 : 0;
    tenths -= h * 36000;
    const qint64 m = minutes ? tenths / 600 : 0;
    tenths -= m * 600;
    const qint64 s = seconds ? tenths / 10 : 0;
    tenths -= s * 10;

    QString out;
    for (qsizetype i = 0; i < format.size();) {
        const Placeholder* p = placeholderAt(format, i);
        if (!p) {
            out += format[i++];
            continue;
        }
        switch (p->unit) {
        case Unit::Hours:
            out += twoDigits(h);
            break;
        case Unit::Minutes:
            out += twoDigits(m);
            break;
        case Unit::Seconds:
            out += twoDigits(s);
            break;
        case Unit::Tenths:
            out += QString::number(tenths);
            break;
        }
        i += p->text.size();
    }
    return out;
}

std::optional<qint64> ParseTimestampOffset(const QString& typed) {
    QString text = typed.trimmed();
    if (text.isEmpty())
        return 0;
    qint64 sign = 1;
    if (text.startsWith(u'+') || text.startsWith(u'-')) {
        sign = text.startsWith(u'-') ? -1 : 1;
        text = text.mid(1);
    }
    const QStringList fields = text.split(u':');
    if (fields.size() > 3)
        return std::nullopt;
    qint64 ms = 0;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const bool last = i == fields.size() - 1;
        if (!last && fields[i].contains(u'.'))
            return std::nullopt;
        const std::optional<qint64> value = secondsField(fields[i]);
        // Minutes and seconds after the first field stay below 60.
        if (!value || (i > 0 && *value >= 60000))
            return std::nullopt;
        ms = ms * 60 + *value;
    }
    // A week either way is more than any recording is offset by.
    if (ms > 7 * 24 * 3600 * 1000LL)
        return std::nullopt;
    return sign * ms;
}

QString TimestampOffsetText(qint64 offsetMs) {
    const qint64 magnitude = offsetMs < 0 ? -offsetMs : offsetMs;
    QString text = (offsetMs < 0 ? QStringLiteral("-") : QStringLiteral("+")) +
                   twoDigits(magnitude / 3600000) + u':' + twoDigits(magnitude / 60000 % 60) +
                   u':' + twoDigits(magnitude / 1000 % 60);
    if (magnitude % 1000 != 0) {
        QString fraction = QString::number(magnitude % 1000).rightJustified(3, u'0');
        while (fraction.endsWith(u'0'))
            fraction.chop(1);
        text += u'.' + fraction;
    }
    return text;
}

} // namespace modMain
