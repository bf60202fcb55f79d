#include "core/playback/place.h"

#include "core/commands.h"
#include "core/log.h"
#include "core/save_failure.h"
#include "core/settings.h"
#include "core/textfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace modMain {

namespace {

struct Place {
    QString openPath; // "" when no file is open
    Long seconds = 0;
    bool known = false;
    std::int32_t lastState = StateStopped;
};
Place place;

int settleMs = 700;
int playingIntervalMs = 60000;

// Writes the newest snapshot handed to it; older ones not yet written are
// dropped, since each is the whole file.
class SnapshotWriter {
  public:
    ~SnapshotWriter() { stop(); }

    void submit(const QString& path, const QByteArray& bytes) {
        std::lock_guard lock(mutex_);
        pending_ = Job{path, bytes};
        if (!thread_.joinable()) {
            stopping_ = false;
            thread_ = std::thread([this] { run(); });
        }
        wake_.notify_one();
    }

    void stop() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            pending_.reset();
        }
        wake_.notify_one();
        if (thread_.joinable())
            thread_.join();
    }

  private:
    struct Job {
        QString path;
        QByteArray bytes;
    };

    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stopping_ || pending_; });
            if (stopping_)
                return;
            const Job job = std::move(*pending_);
            pending_.reset();
            lock.unlock();
            QString error;
            if (!textfile::writeAtomically(job.path, job.bytes, &error))
                ReportSaveFailure(job.path, error);
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Job> pending_;
    bool stopping_ = false;
    std::thread thread_;
};

SnapshotWriter& Writer() {
    static SnapshotWriter writer;
    return writer;
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
    Writer().submit(path, *bytes);
}

QTimer& SettleTimer() {
    static QTimer* timer = [] {
        auto* t = new QTimer(QCoreApplication::instance());
        t->setSingleShot(true);
        QObject::connect(t, &QTimer::timeout, [] {
            if (place.lastState != StatePlaying)
                Snapshot();
        });
        return t;
    }();
    return *timer;
}

void SnapshotSoon() {
    if (QCoreApplication::instance())
        SettleTimer().start(settleMs);
}

} // namespace

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
             sinceSnapshot.elapsed() >= playingIntervalMs)
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
    if (QCoreApplication::instance())
        SettleTimer().stop();
    Writer().stop();
}

void SetSnapshotTimingForTesting(int settle, int playingInterval) {
    settleMs = settle;
    playingIntervalMs = playingInterval;
}

} // namespace modMain
