#include "core/timestamps/written_time.h"

#include <QRegularExpression>

namespace modMain {

namespace {

// Full-width digits, colon and dot as ASCII; every other character stays,
// so positions do not move.
QString narrowed(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= u'０' && u <= u'９')
            out += QChar(u'0' + (u - u'０'));
        else if (u == u'：')
            out += u':';
        else if (u == u'．')
            out += u'.';
        else
            out += c;
    }
    return out;
}

qint64 fractionMs(const QString& digits) {
    return digits.isEmpty() ? 0 : digits.leftJustified(3, u'0').left(3).toLongLong();
}

} // namespace

std::optional<qint64> FindWrittenTime(const QString& text) {
    // Alternatives in order of preference at one place: hours first, so that
    // "1:02:03" is never read as "1:02".
    static const QRegularExpression pattern(QStringLiteral(
        "(?:(\\d{1,4})時間)?(?:(\\d{1,4})分)(?:(\\d{1,2})(?:\\.(\\d{1,3}))?秒)?"
        "|(\\d{1,4})時間(\\d{1,2})(?:\\.(\\d{1,3}))?秒"
        "|(?<![\\d:.])(\\d{1,3}):([0-5]\\d):([0-5]\\d)(?:\\.(\\d{1,3}))?(?![\\d:]|\\.\\d)"
        "|(?<![\\d:.])(\\d{1,4}):([0-5]\\d)(?:\\.(\\d{1,3}))?(?![\\d:]|\\.\\d)"));
    const QString searched = narrowed(QStringView(text).left(WrittenTimeSearchLength));
    for (auto matches = pattern.globalMatch(searched); matches.hasNext();) {
        const QRegularExpressionMatch m = matches.next();
        const auto n = [&m](int group) { return m.captured(group).toLongLong(); };
        if (m.capturedLength(2) > 0) {
            // "2分" alone is a length of time in prose, not a place: a time
            // in this style has its seconds.
            if (m.capturedLength(3) == 0)
                continue;
            if (m.capturedLength(1) > 0 && n(2) >= 60)
                continue;
            if (n(3) >= 60)
                continue;
            return ((n(1) * 60 + n(2)) * 60 + n(3)) * 1000 + fractionMs(m.captured(4));
        }
        if (m.capturedLength(5) > 0) {
            if (n(6) >= 60)
                continue;
            return (n(5) * 3600 + n(6)) * 1000 + fractionMs(m.captured(7));
        }
        if (m.capturedLength(8) > 0)
            return ((n(8) * 60 + n(9)) * 60 + n(10)) * 1000 + fractionMs(m.captured(11));
        return (n(12) * 60 + n(13)) * 1000 + fractionMs(m.captured(14));
    }
    return std::nullopt;
}

} // namespace modMain
