// The engine over libmpv: one player handle, the open file's play state as
// the program sees it, speed and equalizer.
//
// libmpv works asynchronously; this class answers synchronously. After a
// seek, getState reports the target until libmpv has restarted playback
// there; play, pause and restart change the reported state at once. libmpv's
// own pause follows when control returns to the Qt event loop (pausing takes
// effect at once), so the open-play-seek-pause sequence of opening a file
// never sounds. Events from libmpv are drained on the Qt thread the engine
// lives in.
//
// MPEG audio whose frames cannot be placed by arithmetic opens with an
// estimated length while a walk on another thread counts its frames; seeks
// stay exact meanwhile (FFmpeg counts the frames up to the target itself).
// A seek beyond the stretches loaded so far reloads the file with the
// stretches the walk has found. While the length is an estimate, a seek to
// it or beyond waits for the walk and then goes to the true end; playing on
// pauses at the true end of the data, never at the estimate.
//
// Opening reads the file first on a thread of its own (see open_probe.h) and
// then waits for libmpv to load it, running the Qt event loop meanwhile: a
// file on a stalled share never blocks the engine's thread. A close or free
// from inside that loop abandons the open.
//
// The probe's thread itself asks libmpv to load the file. A preload starts
// both ahead of the open, so that they go on while the program builds its
// window; an open of that file takes them over where they are, and any
// other open starts them at once.
#pragma once

#include "core/engine/engine.h"
#include "core/engine/file_reader.h"
#include "core/engine/mp3_plan.h"
#include "core/engine/mp3_walk.h"
#include "core/engine/mpv_filters.h"
#include "core/engine/mpv_handle.h"
#include "core/engine/open_probe.h"

#include <QEventLoop>
#include <QObject>
#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <optional>

class MpvEngine : public QObject, public EngineBackend {
  public:
    explicit MpvEngine(MpvOutput output = {});
    ~MpvEngine() override;

    void startInit() override;
    void init() override;
    std::int16_t setOption(const EngineOptions& options) override;
    std::int16_t open(const char* path, EngineFileInfo* info) override;
    void preload(const char* path) override;
    void close() override;
    void play() override;
    void pause() override;
    void restart() override;
    void seek(std::int32_t seconds) override;
    std::int32_t getState(std::int32_t* position) override;
    std::int32_t getStateMs(std::int64_t* positionMs) override;
    void seekMs(std::int64_t positionMs) override;
    void setPitch(std::int32_t percent) override;
    void setEqualizer(const std::int32_t* bands) override;
    void reload() override;
    std::int32_t getLastErrorNo() override;
    void stop() override;
    void free() override;
    std::int16_t takeExactLength(std::int32_t* totalSeconds) override;

    // True from a seek until libmpv hands the first sound at its target to
    // the output.
    bool seekPending() const { return seekTarget_.has_value(); }
    // The audio filter chain in effect ("af").
    const std::string& filterChain() const { return appliedFilters_; }
    // True once libmpv has loaded a preloaded file that no open took over yet.
    bool preloadReady() const { return preload_ && early_.ready; }
    // True while a frame walk runs for the open file.
    bool walking() const { return walk_ && !walk_->done(); }
    // Runs on the walk's thread before each block it reads (tests hold it).
    void setWalkBlockHook(MpegWalk::BlockHook hook) { walkHook_ = std::move(hook); }

  private:
    struct Loading {
        std::int64_t entryId = -1;
        bool started = false;
        bool loaded = false;
        bool ready = false;
        bool ended = false;
        int endError = 0;
    };
    // The file a preload probes and the playlist entry of the load its
    // probe's thread asked for (-1 until then, or without one).
    struct Preload {
        QByteArray path;
        std::unique_ptr<BackgroundProbe> probe;
        std::shared_ptr<std::atomic<std::int64_t>> entryId;
    };

    // An open waiting for the file: the loop it runs, and whether it was
    // abandoned meanwhile.
    struct OpenAttempt {
        QEventLoop* loop = nullptr;
        bool abandoned = false;
    };
    enum class LoadWait { Blocking, EventLoop };

    static void onWakeup(void* self);
    // Loads url (an MPEG playlist or a file), paused at startSeconds, and
    // waits until it plays or fails: blocked in libmpv, or running the event
    // loop for an open.
    Loading load(const std::string& url, bool playlist, std::optional<std::int32_t> startSeconds,
                 LoadWait wait = LoadWait::Blocking);
    // Probes path on a thread of its own, which then asks libmpv to load it.
    void startPreload(const char* path);
    // Waits for the load in loading_ as load does.
    Loading awaitLoad(LoadWait wait);
    // Binds the preload's load, with what libmpv said of it so far, to
    // loading_ once its probe has finished; false when it asked for none.
    bool takeOverPreload();
    // Drops the preload and stops the load it asked for.
    void dropPreload();
    // Runs the event loop until done() holds, the open is abandoned or
    // timeoutMs have passed; true when done() holds and the open goes on.
    bool awaitOpen(const std::function<bool()>& done, int timeoutMs);
    void wakeOpen();
    void abandonOpen();
    // The open's work once it is registered as the open in progress.
    std::int16_t openFile(const char* path, EngineFileInfo* info);
    std::int16_t failLoad(const Loading& outcome, bool looksLikeText, EngineFileInfo* info);
    void startWalk(const FileReader& file, const MpegOpening& opening);
    void postWalkNews();
    void onWalkNews();
    bool reloadFor(std::int32_t target);
    // seek, extraMs past the whole second (dropped where the target is
    // clamped to the file).
    void seekWithin(std::int32_t seconds, std::int32_t extraMs);
    // False when the open file changed (it is then closed) or did not answer.
    bool fileUsable();
    void reconnectOutput();
    void deferSeekToEnd();
    void drainEvents();
    void handleEvent(const mpv_event& event);
    void onEndFile(const mpv_event_end_file& end);
    std::int16_t fail(std::int32_t error, EngineFileInfo* info);
    void forgetFile();
    void setMpvPaused(bool paused);
    void schedulePlay();
    void resumeIfDue();
    std::int32_t playingPosition();
    bool heldAtEnd();

    MpvOutput output_;
    MpvHandle handle_;
    // libmpv being started on a thread of its own, for init to take.
    std::future<MpvHandle> starting_;
    std::atomic<bool> drainQueued_{false};
    bool draining_ = false;
    bool playQueued_ = false;
    // A resume waiting for the seek in flight, so no sound from the old place
    // reaches the output first.
    bool resumeAfterSeek_ = false;

    std::int32_t state_ = StateStopped;
    std::int64_t entryId_ = -1; // the open file's playlist entry, -1 for none
    std::int32_t totalSeconds_ = 0;
    // The position while paused (and the last one known while playing), and
    // the lowest position to report until playback has passed it.
    std::int32_t heldPosition_ = 0;
    std::optional<std::int32_t> positionFloor_;
    std::int32_t lastError_ = ErrNone;
    Loading loading_;
    OpenAttempt* opening_ = nullptr;
    std::optional<Preload> preload_;
    // What libmpv said of the load it began last while a preload had not
    // yet learnt that load's entry.
    Loading early_;

    // The seek being carried out: its target, the replies to seek commands
    // still to come, and whether libmpv began a seek after the last reply.
    std::optional<std::int32_t> seekTarget_;
    int seekRepliesOutstanding_ = 0;
    bool seekStarted_ = false;
    // The milliseconds past seekTarget_'s second the seek was sent to.
    std::int32_t seekTargetMs_ = 0;

    // The MPEG playlist as loaded (an empty path for other files), the time
    // its exact stretches cover, and the walk that completes it.
    MpegChunkPlan plan_;
    double planExactSeconds_ = 0;
    // The file the playlist names, held open to notice it being replaced.
    FileReader planFile_;
    std::unique_ptr<MpegWalk> walk_;
    MpegWalk::BlockHook walkHook_;
    std::atomic<bool> walkNewsQueued_{false};
    bool lengthExact_ = true;
    // The exact length differs from what the caller was last told.
    bool lengthNews_ = false;
    // A seek to the end waiting for the walk to find it.
    bool endSeekDeferred_ = false;

    std::optional<EqualizerLevels> equalizer_;
    std::string appliedFilters_;
};

// The libmpv backend with its sound going to output (see MpvOutput); tests
// and benchmarks use Null or PcmFile to run without a sound device and to
// measure what was played.
std::unique_ptr<EngineBackend> makeMpvBackend(const MpvOutput& output);
