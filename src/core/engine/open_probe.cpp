#include "core/engine/open_probe.h"

#include "core/engine/engine.h"
#include "core/log.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

FileProbe probeFile(const QByteArray& path) {
    FileProbe probe;
    const QFileInfo fileInfo(QFile::decodeName(path));
    if (!fileInfo.exists()) {
        probe.error = ErrFileNotFound;
        return probe;
    }
    // Only regular files: a named pipe would block here, a device never ends.
    probe.file = FileReader::open(path.constData());
    if (!probe.file.valid()) {
        probe.error = ErrFileUnreadable;
        return probe;
    }
    probe.layout = inspectAudioFile(probe.file);
    probe.absolutePath = QFile::encodeName(fileInfo.absoluteFilePath());
    probe.fileName = QFile::encodeName(fileInfo.fileName());
    // MPEG audio, raw or in RIFF, plays as frame-aligned stretches (see
    // mp3_chunks.h); everything else goes to FFmpeg as it is.
    probe.mpeg = planMpegStream(probe.file, probe.layout, probe.absolutePath.toStdString());
    return probe;
}

struct BackgroundProbe::Shared {
    std::mutex mutex;
    QObject* receiver = nullptr; // null once the probe was dropped
    std::function<void()> done;
    BackgroundProbe::FollowUp followUp;
    std::optional<FileProbe> result;
};

BackgroundProbe::BackgroundProbe(const QByteArray& path, QObject* receiver,
                                 std::function<void()> done, FollowUp followUp)
    : shared_(std::make_shared<Shared>()) {
    shared_->receiver = receiver;
    shared_->done = std::move(done);
    shared_->followUp = std::move(followUp);
    auto run = [shared = shared_, path] {
        FileProbe probe = probeFile(path);
        std::lock_guard lock(shared->mutex);
        if (shared->receiver && shared->followUp)
            shared->followUp(probe);
        shared->result = std::move(probe);
        if (!shared->receiver)
            return;
        // Still guarded on arrival: the probe may be dropped in between.
        QMetaObject::invokeMethod(
            shared->receiver,
            [shared] {
                std::function<void()> done;
                {
                    std::lock_guard lock(shared->mutex);
                    if (shared->receiver)
                        done = shared->done;
                }
                if (done)
                    done();
            },
            Qt::QueuedConnection);
    };
    try {
        std::thread(std::move(run)).detach();
    } catch (const std::system_error& error) {
        // No thread to be had: probe here rather than not at all.
        qCWarning(lcEngine) << "cannot start a thread to open the file:" << error.what();
        FileProbe probe = probeFile(path);
        if (shared_->followUp)
            shared_->followUp(probe);
        shared_->result = std::move(probe);
    }
}

BackgroundProbe::~BackgroundProbe() {
    std::lock_guard lock(shared_->mutex);
    shared_->receiver = nullptr;
    shared_->done = nullptr;
    shared_->followUp = nullptr;
}

bool BackgroundProbe::finished() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->result.has_value();
}

FileProbe BackgroundProbe::take() {
    std::lock_guard lock(shared_->mutex);
    FileProbe probe = std::move(shared_->result).value_or(FileProbe{});
    shared_->result.reset();
    return probe;
}
