// Writes the settings file's snapshots on a thread of its own.
#pragma once

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace modMain {

// Writes the newest snapshot handed to it; older ones not yet written are
// dropped, since each is the whole file.
class SnapshotWriter {
  public:
    SnapshotWriter() = default;
    SnapshotWriter(const SnapshotWriter&) = delete;
    SnapshotWriter& operator=(const SnapshotWriter&) = delete;
    ~SnapshotWriter() { stop(); }

    void submit(const QString& path, const QByteArray& bytes);
    // Waits for a write in flight and drops the rest.
    void stop();

  private:
    struct Job {
        QString path;
        QByteArray bytes;
    };

    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Job> pending_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace modMain
