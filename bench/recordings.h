// Long recordings made at bench time and kept in the build folder between
// runs: speech-like material repeated to length, as MPEG audio or WAV.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>
#include <vector>

constexpr int RecordingSeconds = 9 * 60 * 60;

struct Recording {
    const char* name;
    QString path;
    double trueSeconds = 0;
};

// An MP3 of about `seconds` named name.mp3, encoded by lame with options;
// cbrGrid: 64 kbit/s constant bit rate whose every frame lies on the CBR grid.
std::optional<Recording> makeMp3(const QTemporaryDir& dir, const char* name,
                                 const QStringList& lame, bool cbrGrid = false,
                                 int seconds = RecordingSeconds);
// A nine-hour 16 kHz mono WAV.
std::optional<Recording> makeWav(const QTemporaryDir& dir);
