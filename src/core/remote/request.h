// The remote-control protocol of the player's socket: one request per
// connection, a single line "MEMOTAP/1 <verb>[ <argument>]\n" in UTF-8 of at
// most MaxRequestBytes, answered "OK\n" or "ERR <reason>\n". Pure functions,
// so that any bytes can be fed to the parser.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>
#include <variant>

namespace remote {

inline constexpr QByteArrayView ProtocolTag = "MEMOTAP/1";
inline constexpr qsizetype MaxRequestBytes = 4096;

struct Request {
    QString verb;
    QString argument; // empty when none was given
    bool operator==(const Request&) const = default;
};

// Why a request was refused; the text goes into the ERR answer.
enum class RequestError { Malformed, Version, TooLong, Encoding };
QByteArray ReasonOf(RequestError error);

// What the reader holds so far: a whole request, an error, or more to read.
struct NeedMore {};
using ParseResult = std::variant<Request, RequestError, NeedMore>;

// Parses the bytes received on one connection so far.
ParseResult ParseRequest(QByteArrayView received);

// The bytes a client sends; nothing when the argument cannot be carried
// (a line break in it) or the request would be too long.
std::optional<QByteArray> FormatRequest(const QString& verb, const QString& argument = {});

QByteArray OkAnswer();
QByteArray ErrorAnswer(const QByteArray& reason);

// "hh:mm:ss", "mm:ss" or plain seconds, each field a non-negative number;
// nothing for anything else or past 24 bits of seconds.
std::optional<int> ParseSeconds(const QString& text);

} // namespace remote
