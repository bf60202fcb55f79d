#include "core/playback/snapshot_writer.h"

#include "core/save_failure.h"
#include "core/textfile.h"

namespace modMain {

void SnapshotWriter::submit(const QString& path, const QByteArray& bytes) {
    std::lock_guard lock(mutex_);
    pending_ = Job{path, bytes};
    if (!thread_.joinable()) {
        stopping_ = false;
        thread_ = std::thread([this] { run(); });
    }
    wake_.notify_one();
}

void SnapshotWriter::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        pending_.reset();
    }
    wake_.notify_one();
    if (thread_.joinable())
        thread_.join();
}

void SnapshotWriter::run() {
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

} // namespace modMain
