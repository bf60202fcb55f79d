// The timestamp the player writes: a format with the placeholders {hh},
// {mm}, {ss} and {d} (tenths) among text copied as it stands, and an offset
// added to the position, so that a recording begun at 13:00 can be stamped
// with the time of day.
#pragma once

#include <QString>
#include <optional>

namespace modMain {

inline const QString DefaultTimestampFormat = QStringLiteral("[{hh}:{mm}:{ss}]");
constexpr qsizetype LongestTimestampFormat = 200;

// Why a format cannot be used, in the user's words; nothing when it can.
std::optional<QString> TimestampFormatProblem(const QString& format);

// positionMs + offsetMs written in format. The largest unit the format
// shows counts on past its usual range (62:03 without hours), hours take a
// third digit past 99 and keep counting past 24; a time below zero is
// written as zero. Tenths are cut, not rounded, so that they agree with the
// seconds shown.
QString FormatTimestamp(const QString& format, qint64 positionMs, qint64 offsetMs);

// An offset as the user types it: an optional sign, then hh:mm:ss, mm:ss or
// seconds, each with tenths after a dot if wanted; an empty text is zero.
std::optional<qint64> ParseTimestampOffset(const QString& text);
// The offset as ParseTimestampOffset reads it back: "+13:00:00", "-00:00:05.5".
QString TimestampOffsetText(qint64 offsetMs);

} // namespace modMain
