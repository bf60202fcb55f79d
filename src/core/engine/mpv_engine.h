// The engine over libmpv: one player handle, the open file, speed and
// equalizer. Three parts carry its state, each with one job: the loads
// libmpv is asked for (load_tracker.h), the play state and the order of
// seeks and pauses (seek_sequencer.h), and the MPEG stretches of a long
// recording (stretch_session.h). Events from libmpv are drained on the Qt
// thread the engine lives in and handed to each part; reading the state
// only reads what they cached.
//
// Opening reads the file first on a thread of its own (see open_probe.h),
// then asks libmpv to load it; each step starts when the news of the one
// before arrives, so a file on a stalled share never blocks the engine's
// thread. A close, a free or another open gives the open up.
//
// The probe's thread itself asks libmpv to load the file. An open asked for
// while libmpv still starts probes the file meanwhile and asks for the load
// once libmpv is up.
//
// A seek beyond the MPEG stretches loaded so far reloads the playlist: the
// seek is sent like any other, and the reload's end arrives as events. While
// the length is an estimate, a seek to it or beyond waits for the walk and
// then goes to the true end; playing on pauses at the true end of the data,
// never at the estimate.
#pragma once

#include "core/engine/engine.h"
#include "core/engine/load_tracker.h"
#include "core/engine/mpv_filters.h"
#include "core/engine/mpv_handle.h"
#include "core/engine/seek_sequencer.h"
#include "core/engine/stretch_session.h"

#include <QObject>
#include <QTimer>
#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <optional>

class MpvEngine : public QObject, public EngineBackend {
  public:
    explicit MpvEngine(MpvOutput output = {});
    ~MpvEngine() override;

    void init(std::function<void()> started) override;
    std::int16_t setOption(const EngineOptions& options) override;
    void open(const char* path, EngineOpenedHandler opened) override;
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
    void setHearing(const HearingAids& aids) override;
    void reload() override;
    std::int32_t getLastErrorNo() override;
    void stop() override;
    void free() override;
    std::int16_t takeExactLength(std::int32_t* totalSeconds) override;

    // True from a seek until libmpv hands the first sound at its target to
    // the output.
    bool seekPending() const { return playback_.seekPending(); }
    // The audio filter chain in effect ("af").
    const std::string& filterChain() const { return appliedFilters_; }
    // True while the frame walk of the open file has not reported its end.
    bool walking() const { return stretches_.walking(); }
    // Runs on the walk's thread before each block it reads (tests hold it).
    void setWalkBlockHook(MpegWalk::BlockHook hook) {
        stretches_.setWalkBlockHook(std::move(hook));
    }

  private:
    // Replies to the engine's own requests; the sequencer's are
    // SeekSequencer::SeekReply and PauseReply.
    static constexpr std::uint64_t SpeedReply = 3;
    static constexpr std::uint64_t ReloadReply = 4;

    // The open under way: who is told of its end, and how far it got.
    struct OpenAttempt {
        EngineOpenedHandler opened;
        QByteArray path;
        // An error known before anything started.
        std::optional<std::int32_t> failure;
        // The file is being read, once libmpv has started.
        bool probing = false;
        // Past the probe: libmpv loads the file.
        bool loading = false;
        FileProbe probe;
    };

    enum class Start { NotAsked, Running, Done };

    static void onWakeup(void* self);
    void onStarted(MpvHandle handle, int run);
    void tellStarted();
    void settleStart();
    void beginProbe();
    void scheduleAdvance();
    // Takes the open as far as the news so far allows.
    void advanceOpen();
    std::optional<std::int32_t> startLoad();
    void finishLoad(const MpvLoad& outcome);
    void onOpenTimeout();
    void finishOpen(const EngineOpened& result);
    void dropOpen();
    void abandonLoad();
    static std::int32_t loadError(const MpvLoad& outcome, bool looksLikeText);
    void describe(const FileProbe& probe, double seconds, EngineFileInfo& info);
    void onLengthFound(double seconds);
    // seek, extraMs past the whole second (dropped where the target is
    // clamped to the file).
    void seekWithin(std::int32_t seconds, std::int32_t extraMs);
    bool startReload(std::int32_t target);
    void onReloadReply(const mpv_event& event);
    void settleReload();
    // False when the open file changed (it is then closed) or did not answer.
    bool fileUsable();
    void reconnectOutput();
    // Hands libmpv the filter chain of the equalizer and hearing aids as they
    // are now, unless it is the one in effect.
    void applyFilters();
    void deferSeekToEnd();
    void drainEvents();
    void handleEvent(const mpv_event& event);
    EngineOpened fail(std::int32_t error);
    void forgetFile();
    void schedulePlay();

    MpvOutput output_;
    MpvHandle handle_;
    // libmpv being started on a thread of its own; the handle comes back
    // through the event loop, tagged with the run it belongs to.
    std::future<void> starting_;
    Start startState_ = Start::NotAsked;
    int startRun_ = 0;
    std::function<void()> started_;
    std::int32_t speedPercent_ = 100;
    std::atomic<bool> drainQueued_{false};
    bool draining_ = false;
    bool playQueued_ = false;

    std::int64_t entryId_ = -1; // the open file's playlist entry, -1 for none
    std::int32_t lastError_ = ErrNone;
    std::optional<OpenAttempt> opening_;
    // A step of the open begins or ends within this.
    QTimer openTimeout_;
    bool advanceQueued_ = false;
    LoadTracker loads_;
    SeekSequencer playback_;
    StretchSession stretches_;

    // A reload of the stretch playlist under way: the entry it replaces, the
    // seek to send once it plays, and how long it may take.
    bool reloading_ = false;
    std::int64_t replacedEntry_ = -1;
    std::optional<std::int64_t> seekAfterReloadMs_;
    QTimer reloadTimeout_;
    // A seek to the end waiting for the walk to find it.
    bool endSeekDeferred_ = false;
    // The exact length differs from what the caller was last told.
    bool lengthNews_ = false;

    std::optional<EqualizerLevels> equalizer_;
    HearingAids hearing_;
    std::string appliedFilters_;
};

// The libmpv backend with its sound going to output (see MpvOutput); tests
// and benchmarks use Null or PcmFile to run without a sound device and to
// measure what was played.
std::unique_ptr<EngineBackend> makeMpvBackend(const MpvOutput& output);
