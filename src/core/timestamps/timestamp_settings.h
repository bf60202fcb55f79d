// The timestamp's format and offset, and the key that pastes an inserted
// timestamp, kept in the extra settings file as "timestamp.format=",
// "timestamp.offset=" and "timestamp.paste-key=".
#pragma once

#include <QString>

namespace modMain {

// Ctrl+V for most programs, Ctrl+Shift+V for terminals, or Shift+Insert.
enum class PasteKey { CtrlV, CtrlShiftV, ShiftInsert };

struct TimestampSettings {
    QString format;
    qint64 offsetMs = 0;
    PasteKey pasteKey = PasteKey::CtrlV;
    bool operator==(const TimestampSettings&) const = default;
};

// What the file holds; a missing or unusable value gives the default (and a
// log line when it was damaged).
TimestampSettings StoredTimestampSettings();
// Keeps the settings and writes the file; false when the format is refused
// (nothing is then stored) or the file could not be written.
bool StoreTimestampSettings(const TimestampSettings& settings);

// The position given as a timestamp in the stored format and offset.
QString TimestampOf(qint64 positionMs);

} // namespace modMain
