// The part of opening a file that reads it before libmpv does: whether it is
// there and readable, its layout, and the playlist of its MPEG audio. On a
// network share that stopped answering any of these reads may take long, so
// the engine runs them on a thread of its own.
#pragma once

#include "core/engine/file_reader.h"
#include "core/engine/mp3_plan.h"
#include "core/engine/mp3_probe.h"

#include <QByteArray>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>

struct FileProbe {
    std::int32_t error = 0; // an EngineError, ErrNone when the file can go to libmpv
    FileReader file;
    AudioFileLayout layout;
    std::optional<MpegOpening> mpeg;
    QByteArray absolutePath;
    QByteArray fileName; // without its folder
};

FileProbe probeFile(const QByteArray& path);

// Runs probeFile on a thread of its own and then calls done on receiver's
// thread. Destroying it before then calls nothing and leaves the thread to
// finish by itself: a stalled read may not return for a long time.
//
// followUp, when given, runs on the probe's thread with the probe's result
// before it counts as finished, unless the probe was destroyed first.
// Destroying the probe waits for a follow-up under way, so that after the
// destructor none is running and none will run.
class BackgroundProbe {
  public:
    using FollowUp = std::function<void(const FileProbe&)>;
    BackgroundProbe(const QByteArray& path, QObject* receiver, std::function<void()> done,
                    FollowUp followUp = {});
    ~BackgroundProbe();
    BackgroundProbe(const BackgroundProbe&) = delete;
    BackgroundProbe& operator=(const BackgroundProbe&) = delete;

    bool finished() const;
    // The result, once finished.
    FileProbe take();

  private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};
