// Opening a file: the probe on its own thread, libmpv's load, the file's
// description. Nothing here waits: each step starts the next when its news
// arrives.
#include "core/engine/mpv_engine.h"

#include "core/engine/libmpv.h"
#include "core/engine/mpv_load.h"
#include "core/engine/mpv_properties.h"
#include "core/log.h"

#include <cstring>
#include <utility>

namespace {

void copyText(char (&field)[128], const char* text) {
    std::memset(field, 0, sizeof field);
    if (text)
        std::strncpy(field, text, sizeof field - 1);
}

} // namespace

void MpvEngine::open(const char* path, EngineOpenedHandler opened) {
    if (handle_)
        drainEvents();
    // The current file goes even when the new one fails to open, and so does
    // an open still under way.
    close();
    opening_.emplace();
    opening_->opened = std::move(opened);
    if (!path || !*path)
        opening_->failure = ErrFileNotFound;
    else
        opening_->path = path;
    openTimeout_.start();
    scheduleAdvance();
}

void MpvEngine::beginProbe() {
    if (opening_->probing)
        return;
    opening_->probing = true;
    loads_.startPreload(opening_->path, handle_.get(), this, [this] { scheduleAdvance(); });
    openTimeout_.start();
}

// News of the open is handled from the event loop, never inside the call
// that brought it (a command draining libmpv's events, say).
void MpvEngine::scheduleAdvance() {
    if (!opening_ || advanceQueued_)
        return;
    advanceQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            advanceQueued_ = false;
            advanceOpen();
        },
        Qt::QueuedConnection);
}

void MpvEngine::advanceOpen() {
    if (!opening_)
        return;
    // An open asked for while libmpv starts reads the file meanwhile, and
    // goes on once libmpv is up.
    if (startState_ == Start::Running) {
        if (!opening_->failure)
            beginProbe();
        return;
    }
    if (!opening_->failure && !handle_)
        opening_->failure = ErrNotInitialised;
    if (opening_->failure) {
        finishOpen(fail(*opening_->failure));
        return;
    }
    beginProbe();
    if (!opening_->loading) {
        if (!loads_.preloadProbed())
            return;
        if (const std::optional<std::int32_t> error = startLoad()) {
            finishOpen(fail(*error));
            return;
        }
        opening_->loading = true;
        // The load has a time of its own, as the probe had.
        openTimeout_.start();
    }
    if (loads_.current().settled())
        finishLoad(loads_.take());
}

// Takes the probe over; libmpv loads the file from the probe's thread, or,
// where it refused that, from here. An error when the file cannot go on.
std::optional<std::int32_t> MpvEngine::startLoad() {
    FileProbe& probe = opening_->probe;
    const bool loading = loads_.takeOverPreload(probe);
    if (probe.error != ErrNone)
        return probe.error;
    if (loading)
        return std::nullopt;
    // Asked again here, libmpv's answer tells which error the open reports.
    int flag = 1;
    if (libmpv().set_property(handle_.get(), "pause", MPV_FORMAT_FLAG, &flag) < 0)
        return ErrNotInitialised;
    const std::int64_t entryId =
        requestLoad(handle_.get(), loadUrlFor(probe), probe.mpeg.has_value(), std::nullopt);
    if (entryId < 0)
        return ErrUndecodable;
    loads_.follow(entryId);
    return std::nullopt;
}

void MpvEngine::finishLoad(const MpvLoad& outcome) {
    if (!outcome.ready) {
        finishOpen(fail(loadError(outcome, opening_->probe.layout.looksLikeText)));
        return;
    }
    const FileProbe& probe = opening_->probe;
    entryId_ = outcome.entryId;
    const std::optional<MpegOpening>& mpeg = probe.mpeg;
    const double seconds =
        mpeg ? mpeg->seconds : doubleProperty(handle_.get(), "duration").value_or(0.0);
    playback_.begin(wholeSeconds(seconds), !mpeg || mpeg->lengthExact);
    if (mpeg)
        stretches_.begin(probe.file, *mpeg, [this](double exact) { onLengthFound(exact); });
    lastError_ = ErrNone;
    EngineOpened result;
    result.opened = true;
    describe(probe, seconds, result.info);
    finishOpen(result);
}

void MpvEngine::onOpenTimeout() {
    if (!opening_)
        return;
    if (!opening_->probing) {
        qCWarning(lcEngine) << "libmpv did not start within" << OpenTimeoutMs << "ms";
        finishOpen(fail(ErrNotInitialised));
        return;
    }
    if (!opening_->loading) {
        loads_.dropPreload(handle_.get());
        qCWarning(lcEngine) << "the file did not answer within" << OpenTimeoutMs << "ms";
        finishOpen(fail(ErrFileUnreadable));
        return;
    }
    const MpvLoad outcome = loads_.take();
    if (!outcome.settled())
        abandonLoad();
    finishLoad(outcome);
}

// A load that never finished is stopped; failing here changes nothing since
// the next load replaces it anyway.
void MpvEngine::abandonLoad() {
    const char* stop[] = {"stop", nullptr};
    if (handle_ && libmpv().command(handle_.get(), stop) < 0)
        qCWarning(lcEngine) << "libmpv refused to abandon a load";
}

// Ends the open and tells its caller, last: the caller may start another.
void MpvEngine::finishOpen(const EngineOpened& result) {
    openTimeout_.stop();
    const EngineOpenedHandler opened = std::move(opening_->opened);
    opening_.reset();
    if (opened)
        opened(result);
}

// Gives up the open under way without telling its caller, who asked for it.
void MpvEngine::dropOpen() {
    if (!opening_)
        return;
    openTimeout_.stop();
    // A preload taken over by the open goes with it.
    loads_.dropPreload(handle_.get());
    if (opening_->loading && !loads_.take().settled())
        abandonLoad();
    opening_.reset();
}

EngineOpened MpvEngine::fail(std::int32_t error) {
    lastError_ = error;
    EngineOpened result;
    result.error = error;
    return result;
}

std::int32_t MpvEngine::loadError(const MpvLoad& outcome, bool looksLikeText) {
    switch (outcome.endError) {
    case MPV_ERROR_NOTHING_TO_PLAY:
        return ErrNoAudioStream;
    case MPV_ERROR_UNKNOWN_FORMAT:
        return looksLikeText ? ErrNoAudioStream : ErrUndecodable;
    default:
        return ErrUndecodable;
    }
}

void MpvEngine::describe(const FileProbe& probe, double seconds, EngineFileInfo& info) {
    mpv_handle* h = handle_.get();
    const std::string codec = stringProperty(h, "audio-codec-name");
    std::memset(&info, 0, sizeof info);
    copyText(info.Text1, probe.fileName.constData());
    copyText(info.Text2, codec.c_str());
    info.Value1 = static_cast<std::int32_t>(intProperty(h, "audio-params/samplerate").value_or(0));
    info.Value2 =
        static_cast<std::int32_t>(intProperty(h, "audio-params/channel-count").value_or(0));
    // Average bit rate, kbit/s.
    info.Value3 =
        seconds > 0
            ? static_cast<std::int32_t>(std::min(probe.file.size() * 8 / seconds / 1000, 1e9))
            : 0;
    info.TotalSeconds = playback_.totalSeconds();
}
