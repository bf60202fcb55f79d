#include "core/playback/place.h"

#include "core/commands.h"
#include "core/installed.h"
#include "core/log.h"
#include "core/settings.h"
#include "core/textfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <utility>

namespace modMain {

namespace {

struct Place {
    QString openPath; // "" when no file is open
    Long seconds = 0;
    bool known = false;
    std::int32_t lastState = StateStopped;
};
Place place;

Snapshots* installedSnapshots = nullptr;

Snapshots& CurrentSnapshots() {
    return Installed(installedSnapshots, "Snapshots");
}

// The file as the last snapshot left it, so an unchanged one is not written.
QString lastSnapshotPath;
QByteArray lastSnapshot;
QElapsedTimer sinceSnapshot;
void Snapshot() {
    if (PlayerClosing())
        return;
    const std::optional<QByteArray> bytes = SnapshotBytes();
    if (!bytes)
        return;
    sinceSnapshot.start();
    const QString path = SettingsFilePath();
    if (path != lastSnapshotPath) {
        lastSnapshotPath = path;
        lastSnapshot.clear();
        textfile::readAll(path, lastSnapshot);
    }
    if (*bytes == lastSnapshot)
        return;
    lastSnapshot = *bytes;
    qCDebug(lcSettings) << "snapshot of the settings file";
    CurrentSnapshots().writer.submit(path, *bytes);
}

void SnapshotSoon() {
    if (QCoreApplication::instance())
        CurrentSnapshots().settle.start(CurrentSnapshots().settleMs);
}

} // namespace

Snapshots::Snapshots(int settleMs, int playingIntervalMs)
    : settleMs(settleMs), playingIntervalMs(playingIntervalMs) {
    settle.setSingleShot(true);
    QObject::connect(&settle, &QTimer::timeout, [] {
        if (place.lastState != StatePlaying)
            Snapshot();
    });
}

Snapshots* SetSnapshots(Snapshots* snapshots) {
    return std::exchange(installedSnapshots, snapshots);
}

void PlaceFileOpened(const QString& path) {
    place.openPath = path;
    place.known = false;
    // The file reopened at start-up is no change to keep.
    if (StartupFinished())
        SnapshotSoon();
}

void PlaceFileClosed(std::optional<Long> outgoing) {
    // Stored in the closed file's entry at once: whatever opens follow, and
    // however they end, find no open file whose place could stand for it.
    if (outgoing && !place.openPath.isEmpty()) {
        if (const Long index = FindHistory(place.openPath))
            History[index].Position = *outgoing;
    }
    place.openPath.clear();
    place.known = false;
    SnapshotSoon();
}

void PlaceRead(std::int32_t state, Long seconds) {
    const bool fileOpen = state == StatePlaying || state == StatePaused;
    if (fileOpen && !place.openPath.isEmpty()) {
        place.seconds = seconds;
        place.known = true;
    }
    const bool paused = place.lastState == StatePlaying && state != StatePlaying;
    place.lastState = state;
    if (paused)
        SnapshotSoon();
    else if (state == StatePlaying && sinceSnapshot.isValid() &&
             sinceSnapshot.elapsed() >= CurrentSnapshots().playingIntervalMs)
        Snapshot();
    else if (state == StatePlaying && !sinceSnapshot.isValid())
        sinceSnapshot.start();
}

void ApplyPlace(HistoryTable& history) {
    // An open file's place goes to entry 1, as the close always stored it.
    if (place.known && !place.openPath.isEmpty())
        history[1].Position = place.seconds;
}

void StorePlaceInHistory() {
    ApplyPlace(History);
}

std::optional<QByteArray> SnapshotBytes() {
    if (!StartupFinished())
        return std::nullopt;
    HistoryTable history = History;
    ApplyPlace(history);
    const auto [left, top] = WindowPlaceToSave();
    return SettingsFileBytes(left, top, history);
}

void StopSnapshots() {
    CurrentSnapshots().settle.stop();
    CurrentSnapshots().writer.stop();
}

} // namespace modMain
