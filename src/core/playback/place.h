// The place in the open file, as the main timer last read it: what the close
// stores in entry 1 of the history, and what the snapshots of the settings
// file carry so that a crash or a power cut loses at most a minute.
#pragma once

#include "core/modMain.h"
#include "core/playback/snapshot_writer.h"
#include "core/settings.h"

#include <QString>
#include <QTimer>
#include <optional>

namespace modMain {

// A file was opened; its place is unknown until the timer reads it.
void PlaceFileOpened(const QString& path);
// An open failed or was given up. The file that was open before (when one
// was) is closed now, at place outgoing, which its history entry keeps.
void PlaceFileClosed(std::optional<Long> outgoing);
// The main timer read the engine.
void PlaceRead(std::int32_t state, Long seconds);
// Entry 1 takes the place the timer read for the open file. A close before
// the first read keeps the stored place; with no file open, nothing is
// stored.
void ApplyPlace(HistoryTable& history);
void StorePlaceInHistory();
// The settings file as the close would write it now (window corner, history
// with the place), or nothing when start-up has not finished.
std::optional<QByteArray> SnapshotBytes();

// The snapshots' timing and writing thread, which the composition root
// creates and hands over: a pause is written once it has settled for
// settleMs, playing every playingIntervalMs.
struct Snapshots {
    explicit Snapshots(int settleMs = 700, int playingIntervalMs = 60000);
    const int settleMs;
    const int playingIntervalMs;
    QTimer settle;
    SnapshotWriter writer;
};
// Returns the one it replaces.
Snapshots* SetSnapshots(Snapshots* snapshots);

// Snapshots are written on a thread of their own when playback pauses or
// stops (after a short settling time, so a pedal tapped on and off writes
// nothing), when another file opens, and every minute while playing, and
// only when the file would change, until the player begins to close.
// Stopping waits for a write in flight and drops the rest; the close then
// writes the file itself.
void StopSnapshots();

} // namespace modMain
