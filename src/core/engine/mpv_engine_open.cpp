// Opening a file: the probe on its own thread, libmpv's load, the file's
// description; and the preload that starts both ahead of the open.
#include "core/engine/mpv_engine.h"

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

bool MpvEngine::awaitOpen(const std::function<bool()>& done, int timeoutMs) {
    OpenAttempt* attempt = opening_;
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(timeoutMs);
    attempt->loop = &loop;
    while (!attempt->abandoned && !done() && timeout.isActive())
        loop.exec();
    attempt->loop = nullptr;
    return !attempt->abandoned && done();
}

// Something the open may wait for has happened: its loop checks again.
void MpvEngine::wakeOpen() {
    if (opening_ && opening_->loop)
        opening_->loop->quit();
}

void MpvEngine::abandonOpen() {
    if (!opening_ || opening_->abandoned)
        return;
    opening_->abandoned = true;
    wakeOpen();
}

std::int16_t MpvEngine::fail(std::int32_t error, EngineFileInfo* info) {
    lastError_ = error;
    if (info)
        std::memset(info, 0, sizeof *info);
    return 0;
}

MpvLoad MpvEngine::awaitLoad() {
    awaitOpen([this] { return loads_.current().settled(); }, OpenTimeoutMs);
    const MpvLoad outcome = loads_.take();
    // Freed while the open waited there is no player left to stop, and after
    // another open the player holds that one's file.
    if (!handle_ || entryId_ >= 0)
        return outcome;
    const char* stop[] = {"stop", nullptr};
    // A load that never finished is abandoned; failing here changes nothing
    // since the next load replaces it anyway.
    if (!outcome.settled() && mpv_command(handle_.get(), stop) < 0)
        qCWarning(lcEngine) << "libmpv refused to abandon a load";
    return outcome;
}

std::int16_t MpvEngine::failLoad(const MpvLoad& outcome, bool looksLikeText, EngineFileInfo* info) {
    switch (outcome.endError) {
    case MPV_ERROR_NOTHING_TO_PLAY:
        return fail(ErrNoAudioStream, info);
    case MPV_ERROR_UNKNOWN_FORMAT:
        return fail(looksLikeText ? ErrNoAudioStream : ErrUndecodable, info);
    default:
        return fail(ErrUndecodable, info);
    }
}

std::int16_t MpvEngine::open(const char* path, EngineFileInfo* info) {
    if (!handle_)
        return fail(ErrNotInitialised, info);
    drainEvents();
    // The current file goes even when the new one fails to open, and so does
    // an open still waiting further down the stack.
    close();
    if (!path || !*path)
        return fail(ErrFileNotFound, info);

    OpenAttempt attempt;
    OpenAttempt* const outer = std::exchange(opening_, &attempt);
    const std::int16_t result = openFile(path, info);
    opening_ = outer;
    // An abandoned open leaves FileInfo to whatever replaced it.
    if (attempt.abandoned) {
        lastError_ = ErrOpenAbandoned;
        return 0;
    }
    return result;
}

std::int16_t MpvEngine::openFile(const char* path, EngineFileInfo* info) {
    // Every open is a preload taken over: the one under way for this file,
    // or one started here.
    if (loads_.preloading() && loads_.preloadPath() != path)
        loads_.dropPreload(handle_.get());
    if (!loads_.preloading())
        loads_.startPreload(path, handle_.get(), this, [this] { wakeOpen(); });
    // Whatever abandons this open drops the preload with it.
    if (!awaitOpen([this] { return loads_.preloadProbed(); }, OpenTimeoutMs)) {
        if (opening_->abandoned)
            return 0;
        loads_.dropPreload(handle_.get());
        qCWarning(lcEngine) << "the file did not answer within" << OpenTimeoutMs << "ms";
        return fail(ErrFileUnreadable, info);
    }
    FileProbe probe;
    const bool loading = loads_.takeOverPreload(probe);
    if (probe.error != ErrNone)
        return fail(probe.error, info);
    if (!loading) {
        // libmpv refused the probe's thread; asked again here, its answer
        // tells which error the open reports.
        int flag = 1;
        if (mpv_set_property(handle_.get(), "pause", MPV_FORMAT_FLAG, &flag) < 0)
            return fail(ErrNotInitialised, info);
        const std::int64_t entryId =
            requestLoad(handle_.get(), loadUrlFor(probe), probe.mpeg.has_value(), std::nullopt);
        if (entryId < 0)
            return fail(ErrUndecodable, info);
        loads_.follow(entryId);
    }
    const MpvLoad outcome = awaitLoad();
    if (opening_->abandoned)
        return 0;
    if (!outcome.ready)
        return failLoad(outcome, probe.layout.looksLikeText, info);

    entryId_ = outcome.entryId;
    const std::optional<MpegOpening>& mpeg = probe.mpeg;
    const double seconds =
        mpeg ? mpeg->seconds : doubleProperty(handle_.get(), "duration").value_or(0.0);
    playback_.begin(wholeSeconds(seconds), !mpeg || mpeg->lengthExact);
    if (mpeg)
        stretches_.begin(probe.file, *mpeg, [this](double exact) { onLengthFound(exact); });
    lastError_ = ErrNone;
    describe(probe, seconds, info);
    return 1;
}

void MpvEngine::describe(const FileProbe& probe, double seconds, EngineFileInfo* info) {
    if (!info)
        return;
    mpv_handle* h = handle_.get();
    const std::string codec = stringProperty(h, "audio-codec-name");
    std::memset(info, 0, sizeof *info);
    copyText(info->Text1, probe.fileName.constData());
    copyText(info->Text2, codec.c_str());
    info->Value1 = static_cast<std::int32_t>(intProperty(h, "audio-params/samplerate").value_or(0));
    info->Value2 =
        static_cast<std::int32_t>(intProperty(h, "audio-params/channel-count").value_or(0));
    // Average bit rate, kbit/s.
    info->Value3 =
        seconds > 0
            ? static_cast<std::int32_t>(std::min(probe.file.size() * 8 / seconds / 1000, 1e9))
            : 0;
    info->TotalSeconds = playback_.totalSeconds();
}

void MpvEngine::preload(const char* path) {
    if (handle_ && path && *path && entryId_ < 0 && !opening_ && !loads_.preloading())
        loads_.startPreload(path, handle_.get(), this, [this] { wakeOpen(); });
}
