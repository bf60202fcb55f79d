#include "core/remote/request.h"

#include <QStringConverter>
#include <QStringList>
#include <algorithm>

namespace remote {

namespace {

constexpr int LargestSeconds = 0xFFFFFF;

bool isVerbCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

} // namespace

QByteArray ReasonOf(RequestError error) {
    switch (error) {
    case RequestError::Malformed:
        return "malformed";
    case RequestError::Version:
        return "version";
    case RequestError::TooLong:
        return "too-long";
    case RequestError::Encoding:
        return "encoding";
    }
    return "malformed";
}

ParseResult ParseRequest(QByteArrayView received) {
    const qsizetype end = received.indexOf('\n');
    if (end < 0)
        return received.size() >= MaxRequestBytes ? ParseResult{RequestError::TooLong}
                                                  : ParseResult{NeedMore{}};
    if (end + 1 > MaxRequestBytes)
        return RequestError::TooLong;
    if (end + 1 != received.size())
        return RequestError::Malformed; // one request per connection
    const QByteArrayView line = received.first(end);
    const qsizetype tagEnd = line.indexOf(' ');
    if (tagEnd < 0)
        return RequestError::Malformed;
    if (line.first(tagEnd) != ProtocolTag)
        return line.startsWith("MEMOTAP/") ? RequestError::Version : RequestError::Malformed;

    const QByteArrayView rest = line.sliced(tagEnd + 1);
    const qsizetype verbEnd = rest.indexOf(' ');
    const QByteArrayView verb = verbEnd < 0 ? rest : rest.first(verbEnd);
    if (verb.isEmpty() || !std::all_of(verb.begin(), verb.end(), isVerbCharacter))
        return RequestError::Malformed;
    Request request{QString::fromLatin1(verb), {}};
    if (verbEnd >= 0) {
        const QByteArrayView argument = rest.sliced(verbEnd + 1);
        if (argument.isEmpty() || argument.contains('\r') || argument.contains('\0'))
            return RequestError::Malformed;
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        request.argument = utf8(argument);
        if (utf8.hasError())
            return RequestError::Encoding;
    }
    return request;
}

std::optional<QByteArray> FormatRequest(const QString& verb, const QString& argument) {
    if (argument.contains(u'\n') || argument.contains(u'\r') || argument.contains(QChar(0)))
        return std::nullopt;
    QByteArray bytes = ProtocolTag.toByteArray() + ' ' + verb.toUtf8();
    if (!argument.isEmpty())
        bytes += ' ' + argument.toUtf8();
    bytes += '\n';
    if (bytes.size() > MaxRequestBytes)
        return std::nullopt;
    return bytes;
}

QByteArray OkAnswer() {
    return "OK\n";
}

QByteArray ErrorAnswer(const QByteArray& reason) {
    return "ERR " + reason + '\n';
}

std::optional<int> ParseSeconds(const QString& text) {
    const QStringList fields = text.split(u':');
    if (fields.size() > 3)
        return std::nullopt;
    qint64 total = 0;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const QString& field = fields[i];
        if (field.isEmpty() || field.size() > 8 ||
            !std::all_of(field.begin(), field.end(),
                         [](QChar c) { return c >= u'0' && c <= u'9'; }))
            return std::nullopt;
        const qint64 value = field.toLongLong();
        if (i > 0 && value >= 60) // minutes and seconds below the first field
            return std::nullopt;
        total = total * 60 + value;
        if (total > LargestSeconds)
            return std::nullopt;
    }
    return static_cast<int>(total);
}

} // namespace remote
