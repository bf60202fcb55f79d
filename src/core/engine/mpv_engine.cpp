#include "core/engine/mpv_engine.h"

#include "core/engine/file_reader.h"
#include "core/engine/mp3_chunks.h"
#include "core/engine/mpv_load.h"
#include "core/engine/open_probe.h"
#include "core/log.h"

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <system_error>
#include <utility>

namespace {

constexpr std::uint64_t SeekReply = 1;
constexpr std::uint64_t PauseReply = 2;
constexpr std::uint64_t SpeedReply = 3;
// Opening waits this long at most for libmpv to load a file.
constexpr int OpenTimeoutMs = 15000;
// How long a seek or play waits for the file to say it is still there.
constexpr int FileCheckTimeoutMs = 250;
// time-pos is a double; a seek to 3 s may read back as 2.9999999.
constexpr double PositionEpsilon = 0.001;

void copyText(char (&field)[128], const char* text) {
    std::memset(field, 0, sizeof field);
    if (text)
        std::strncpy(field, text, sizeof field - 1);
}

// A string property, or "" when it is unavailable.
std::string stringProperty(mpv_handle* handle, const char* name) {
    char* value = mpv_get_property_string(handle, name);
    if (!value)
        return {};
    std::string result(value);
    mpv_free(value);
    return result;
}

std::optional<std::int64_t> intProperty(mpv_handle* handle, const char* name) {
    std::int64_t value = 0;
    if (mpv_get_property(handle, name, MPV_FORMAT_INT64, &value) < 0)
        return std::nullopt;
    return value;
}

std::optional<double> doubleProperty(mpv_handle* handle, const char* name) {
    double value = 0;
    if (mpv_get_property(handle, name, MPV_FORMAT_DOUBLE, &value) < 0)
        return std::nullopt;
    return value;
}

std::int32_t wholeSeconds(double seconds) {
    if (!(seconds > 0))
        return 0;
    return static_cast<std::int32_t>(std::min(std::floor(seconds + PositionEpsilon), 2147483647.0));
}

} // namespace

MpvEngine::MpvEngine(MpvOutput output) : output_(std::move(output)) {}

MpvEngine::~MpvEngine() {
    abandonOpen();
    dropPreload();
    // The walk's thread posts to this object: it stops first.
    walk_.reset();
    handle_.reset();
}

void MpvEngine::onWakeup(void* self) {
    // Called on a libmpv thread: only hand the work to the engine's thread.
    auto* engine = static_cast<MpvEngine*>(self);
    if (engine->drainQueued_.exchange(true))
        return;
    QMetaObject::invokeMethod(
        engine,
        [engine] {
            engine->drainQueued_ = false;
            engine->drainEvents();
        },
        Qt::QueuedConnection);
}

void MpvEngine::startInit() {
    if (handle_ || starting_.valid())
        return;
    try {
        starting_ = std::async(std::launch::async,
                               [output = output_] { return createAudioPlayer(output); });
    } catch (const std::system_error& error) {
        qCWarning(lcEngine) << "cannot start libmpv on a thread of its own:" << error.what();
    }
}

void MpvEngine::init() {
    if (handle_)
        return;
    handle_ = starting_.valid() ? starting_.get() : createAudioPlayer(output_);
    if (!handle_)
        return;
    appliedFilters_ = audioFilterChain(std::nullopt);
    mpv_set_wakeup_callback(handle_.get(), &MpvEngine::onWakeup, this);
}

std::int16_t MpvEngine::setOption(const EngineOptions&) {
    return handle_ ? 1 : 0;
}

void MpvEngine::drainEvents() {
    if (!handle_ || draining_)
        return;
    draining_ = true;
    for (;;) {
        const mpv_event* event = mpv_wait_event(handle_.get(), 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(*event);
    }
    draining_ = false;
    resumeIfDue();
    wakeOpen();
}

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

void MpvEngine::resumeIfDue() {
    if (!resumeAfterSeek_ || seekTarget_)
        return;
    resumeAfterSeek_ = false;
    if (handle_ && entryId_ >= 0 && state_ == StatePlaying)
        setMpvPaused(false);
}

void MpvEngine::handleEvent(const mpv_event& event) {
    switch (event.event_id) {
    case MPV_EVENT_COMMAND_REPLY:
        if (event.reply_userdata == SeekReply && seekRepliesOutstanding_ > 0) {
            --seekRepliesOutstanding_;
            // A refused seek never restarts playback.
            if (event.error < 0 && seekRepliesOutstanding_ == 0 && !seekStarted_)
                seekTarget_.reset();
        }
        break;
    case MPV_EVENT_SET_PROPERTY_REPLY:
        // libmpv refuses to pause or resume only when it has lost the file.
        if (event.reply_userdata == PauseReply && event.error < 0)
            forgetFile();
        break;
    case MPV_EVENT_SEEK:
        // Seeks queued before the last reply were merged into this one.
        if (seekRepliesOutstanding_ == 0)
            seekStarted_ = true;
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        if (loading_.loaded)
            loading_.ready = true;
        if (early_.loaded)
            early_.ready = true;
        if (seekTarget_ && seekRepliesOutstanding_ == 0 && seekStarted_)
            seekTarget_.reset();
        break;
    case MPV_EVENT_START_FILE: {
        const auto* start = static_cast<const mpv_event_start_file*>(event.data);
        if (start->playlist_entry_id == loading_.entryId)
            loading_.started = true;
        else if (preload_)
            early_ = {start->playlist_entry_id, true};
        break;
    }
    case MPV_EVENT_FILE_LOADED:
        if (loading_.started)
            loading_.loaded = true;
        if (early_.started)
            early_.loaded = true;
        break;
    case MPV_EVENT_END_FILE:
        onEndFile(*static_cast<const mpv_event_end_file*>(event.data));
        break;
    case MPV_EVENT_LOG_MESSAGE: {
        const auto* message = static_cast<const mpv_event_log_message*>(event.data);
        // FFmpeg warns about every stretch of a playlist ("estimating
        // duration from bitrate"); only its errors are worth a line.
        if (std::strncmp(message->prefix, "ffmpeg", 6) == 0 &&
            message->log_level > MPV_LOG_LEVEL_ERROR)
            break;
        qCWarning(lcEngine).noquote() << QStringLiteral("libmpv [%1] %2")
                                             .arg(QString::fromUtf8(message->prefix),
                                                  QString::fromUtf8(message->text).trimmed());
        break;
    }
    default:
        break;
    }
}

void MpvEngine::onEndFile(const mpv_event_end_file& end) {
    if (end.playlist_entry_id == loading_.entryId) {
        loading_.ended = true;
        loading_.endError = end.reason == MPV_END_FILE_REASON_ERROR ? end.error : 0;
    } else if (end.playlist_entry_id == early_.entryId) {
        early_.ended = true;
        early_.endError = end.reason == MPV_END_FILE_REASON_ERROR ? end.error : 0;
    }
    // The open file went away under the player (a read error, say).
    if (end.playlist_entry_id == entryId_)
        forgetFile();
}

void MpvEngine::forgetFile() {
    walk_.reset();
    plan_ = {};
    planExactSeconds_ = 0;
    planFile_ = {};
    lengthExact_ = true;
    lengthNews_ = false;
    endSeekDeferred_ = false;
    entryId_ = -1;
    state_ = StateStopped;
    totalSeconds_ = 0;
    heldPosition_ = 0;
    positionFloor_.reset();
    seekTarget_.reset();
    seekStarted_ = false;
    resumeAfterSeek_ = false;
}

std::int16_t MpvEngine::fail(std::int32_t error, EngineFileInfo* info) {
    lastError_ = error;
    if (info)
        std::memset(info, 0, sizeof *info);
    return 0;
}

MpvEngine::Loading MpvEngine::load(const std::string& url, bool playlist,
                                   std::optional<std::int32_t> startSeconds, LoadWait wait) {
    const std::int64_t entryId = requestLoad(handle_.get(), url, playlist, startSeconds);
    if (entryId < 0)
        return {};
    loading_ = {};
    loading_.entryId = entryId;
    return awaitLoad(wait);
}

MpvEngine::Loading MpvEngine::awaitLoad(LoadWait wait) {
    mpv_handle* h = handle_.get();
    if (wait == LoadWait::EventLoop) {
        awaitOpen([this] { return loading_.ready || loading_.ended; }, OpenTimeoutMs);
    } else {
        QElapsedTimer clock;
        clock.start();
        while (!loading_.ready && !loading_.ended) {
            const qint64 left = OpenTimeoutMs - clock.elapsed();
            if (left <= 0)
                break;
            const mpv_event* event = mpv_wait_event(h, left / 1000.0);
            if (event->event_id != MPV_EVENT_NONE)
                handleEvent(*event);
        }
    }
    const Loading outcome = std::exchange(loading_, Loading{});
    // Freed while the open waited there is no player left to stop, and after
    // another open the player holds that one's file.
    if (!handle_ || entryId_ >= 0)
        return outcome;
    const char* stop[] = {"stop", nullptr};
    // A load that never finished is abandoned; failing here changes nothing
    // since the next load replaces it anyway.
    if (!outcome.ready && !outcome.ended && mpv_command(h, stop) < 0)
        qCWarning(lcEngine) << "libmpv refused to abandon a load";
    return outcome;
}

std::int16_t MpvEngine::failLoad(const Loading& outcome, bool looksLikeText, EngineFileInfo* info) {
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
    if (preload_ && preload_->path != path)
        dropPreload();
    if (!preload_)
        startPreload(path);
    // Whatever abandons this open drops the preload with it.
    if (!awaitOpen([this] { return preload_ && preload_->probe->finished(); }, OpenTimeoutMs)) {
        if (opening_->abandoned)
            return 0;
        dropPreload();
        qCWarning(lcEngine) << "the file did not answer within" << OpenTimeoutMs << "ms";
        return fail(ErrFileUnreadable, info);
    }
    const FileProbe probe = preload_->probe->take();
    const bool loading = takeOverPreload();
    if (probe.error != ErrNone)
        return fail(probe.error, info);
    const std::optional<MpegOpening>& mpeg = probe.mpeg;

    Loading outcome;
    if (loading) {
        outcome = awaitLoad(LoadWait::EventLoop);
    } else {
        // libmpv refused the probe's thread; asked again here, its answer
        // tells which error the open reports.
        int flag = 1;
        if (mpv_set_property(handle_.get(), "pause", MPV_FORMAT_FLAG, &flag) < 0)
            return fail(ErrNotInitialised, info);
        outcome = load(loadUrlFor(probe), mpeg.has_value(), std::nullopt, LoadWait::EventLoop);
    }
    if (opening_->abandoned)
        return 0;
    if (outcome.entryId < 0)
        return fail(ErrUndecodable, info);
    if (!outcome.ready)
        return failLoad(outcome, probe.layout.looksLikeText, info);

    mpv_handle* h = handle_.get();
    entryId_ = outcome.entryId;
    const double seconds = mpeg ? mpeg->seconds : doubleProperty(h, "duration").value_or(0.0);
    totalSeconds_ = wholeSeconds(seconds);
    if (mpeg) {
        plan_ = mpeg->plan;
        planExactSeconds_ = mpegPlaylistExactSeconds(plan_);
        planFile_ = probe.file.duplicate();
        lengthExact_ = mpeg->lengthExact;
        if (mpeg->needsWalk())
            startWalk(probe.file, *mpeg);
    }
    lastError_ = ErrNone;
    if (info) {
        const std::string codec = stringProperty(h, "audio-codec-name");
        std::memset(info, 0, sizeof *info);
        copyText(info->Text1, probe.fileName.constData());
        copyText(info->Text2, codec.c_str());
        info->Value1 =
            static_cast<std::int32_t>(intProperty(h, "audio-params/samplerate").value_or(0));
        info->Value2 =
            static_cast<std::int32_t>(intProperty(h, "audio-params/channel-count").value_or(0));
        // Average bit rate, kbit/s.
        info->Value3 =
            seconds > 0
                ? static_cast<std::int32_t>(std::min(probe.file.size() * 8 / seconds / 1000, 1e9))
                : 0;
        info->TotalSeconds = totalSeconds_;
    }
    return 1;
}

void MpvEngine::preload(const char* path) {
    if (handle_ && path && *path && entryId_ < 0 && !opening_ && !preload_)
        startPreload(path);
}

void MpvEngine::startPreload(const char* path) {
    auto entryId = std::make_shared<std::atomic<std::int64_t>>(-1);
    mpv_handle* h = handle_.get();
    early_ = {};
    preload_ = Preload{path, nullptr, entryId};
    preload_->probe = std::make_unique<BackgroundProbe>(
        path, this, [this] { wakeOpen(); },
        [h, entryId](const FileProbe& probe) {
            if (probe.error == ErrNone)
                *entryId = requestPausedLoad(h, probe);
        });
}

bool MpvEngine::takeOverPreload() {
    if (!preload_)
        return false;
    // Final: the probe has finished, and its load request with it.
    const std::int64_t entryId = *preload_->entryId;
    preload_.reset();
    const Loading early = std::exchange(early_, Loading{});
    if (entryId < 0)
        return false;
    loading_ = early.entryId == entryId ? early : Loading{};
    loading_.entryId = entryId;
    return true;
}

void MpvEngine::dropPreload() {
    if (!preload_)
        return;
    // Waits for a load request under way on the probe's thread; after this
    // none comes.
    preload_->probe.reset();
    const std::int64_t entryId = *preload_->entryId;
    preload_.reset();
    early_ = {};
    const char* stop[] = {"stop", nullptr};
    if (entryId >= 0 && handle_ && mpv_command(handle_.get(), stop) < 0)
        qCWarning(lcEngine) << "libmpv refused to stop a file loaded ahead";
}

void MpvEngine::startWalk(const FileReader& file, const MpegOpening& opening) {
    walk_ = std::make_unique<MpegWalk>(
        file.duplicate(), opening.plan.start, opening.plan.end, opening.header, MpegMarkInterval,
        [this] { postWalkNews(); }, walkHook_);
}

void MpvEngine::postWalkNews() {
    // Called on the walk's thread: only hand the news to the engine's thread.
    if (walkNewsQueued_.exchange(true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            walkNewsQueued_ = false;
            onWalkNews();
        },
        Qt::QueuedConnection);
}

void MpvEngine::onWalkNews() {
    if (!walk_ || !walk_->done() || plan_.complete)
        return;
    const MpegWalk::Progress progress = walk_->progress();
    const std::int32_t exact =
        wholeSeconds(static_cast<double>(progress.frames) * plan_.frameSeconds);
    // The loaded playlist stays until the next seek needs more of it.
    plan_.complete = true;
    plan_.frames = progress.frames;
    plan_.marks = progress.marks;
    lengthNews_ = lengthNews_ || exact != totalSeconds_;
    totalSeconds_ = exact;
    lengthExact_ = true;
    if (endSeekDeferred_) {
        endSeekDeferred_ = false;
        seekTarget_.reset();
        if (state_ == StatePlaying)
            resumeAfterSeek_ = true;
        seek(totalSeconds_);
    }
}

std::int16_t MpvEngine::takeExactLength(std::int32_t* totalSeconds) {
    onWalkNews();
    if (!lengthNews_ || entryId_ < 0)
        return 0;
    lengthNews_ = false;
    if (totalSeconds)
        *totalSeconds = totalSeconds_;
    return 1;
}

// Before the walk is done, a target beyond the loaded stretches reloads the
// playlist with the stretches walked since, when there are more.
bool MpvEngine::reloadFor(std::int32_t target) {
    if (plan_.path.empty() || target < planExactSeconds_)
        return false;
    MpegChunkPlan plan = plan_;
    if (walk_ && !plan.complete) {
        const MpegWalk::Progress progress = walk_->progress();
        plan.marks = progress.marks;
        plan.frames = progress.frames;
    }
    const double exactSeconds = mpegPlaylistExactSeconds(plan);
    if (exactSeconds <= planExactSeconds_)
        return false;
    plan_ = std::move(plan);
    planExactSeconds_ = exactSeconds;
    mpv_handle* h = handle_.get();
    int flag = 1;
    // The old entry's end must not count as losing the file.
    entryId_ = -1;
    const Loading outcome = mpv_set_property(h, "pause", MPV_FORMAT_FLAG, &flag) < 0
                                ? Loading{}
                                : load(playlistUrl(plan_), true, target);
    if (!outcome.ready) {
        qCWarning(lcEngine) << "the file could not be reloaded at" << target << "s";
        forgetFile();
        return true;
    }
    entryId_ = outcome.entryId;
    seekTarget_.reset();
    seekStarted_ = false;
    heldPosition_ = target;
    positionFloor_ = target;
    resumeAfterSeek_ = false;
    if (state_ == StatePlaying)
        setMpvPaused(false);
    return true;
}

// FFmpeg opens each stretch by the file's name. Once the file is cut shorter,
// deleted or replaced, a stretch fails to open, and the next seek crashes
// inside FFmpeg's playlist demuxer. So a changed file is closed, as a file
// lost to a read error is, before libmpv is asked to seek or play in it. A
// file that does not answer (a share that stopped) is left alone, and so is
// the command: the window does not wait for the share.
bool MpvEngine::fileUsable() {
    if (plan_.path.empty())
        return true;
    switch (planFile_.stillAtWithin(plan_.path.c_str(), plan_.end, FileCheckTimeoutMs)) {
    case FileReader::Presence::Same:
        return true;
    case FileReader::Presence::NoAnswer:
        qCWarning(lcEngine).noquote() << "the open file does not answer; command dropped:"
                                      << QString::fromStdString(plan_.path);
        return false;
    case FileReader::Presence::Changed:
        break;
    }
    qCWarning(lcEngine).noquote() << "the open file changed under the player; closed:"
                                  << QString::fromStdString(plan_.path);
    close();
    return false;
}

void MpvEngine::deferSeekToEnd() {
    endSeekDeferred_ = true;
    seekTarget_ = totalSeconds_;
    heldPosition_ = totalSeconds_;
    positionFloor_ = totalSeconds_;
    // Silent while waiting, so nothing from the old place is heard.
    setMpvPaused(true);
}

void MpvEngine::close() {
    // A preload taken over by the open in progress goes with it; one that
    // no open has asked for yet stays for the open that follows.
    if (opening_)
        dropPreload();
    abandonOpen();
    if (!handle_ || entryId_ < 0)
        return;
    forgetFile();
    const char* stop[] = {"stop", nullptr};
    // Fails only while libmpv shuts down, when there is no file left to stop.
    if (mpv_command(handle_.get(), stop) < 0)
        return;
}

void MpvEngine::setMpvPaused(bool paused) {
    int flag = paused ? 1 : 0;
    // Queued behind the seeks already sent: a synchronous call would overtake
    // them, and a resume would sound from the old place first.
    if (mpv_set_property_async(handle_.get(), PauseReply, "pause", MPV_FORMAT_FLAG, &flag) < 0)
        forgetFile();
}

void MpvEngine::schedulePlay() {
    if (playQueued_)
        return;
    playQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            playQueued_ = false;
            if (handle_ && entryId_ >= 0 && state_ == StatePlaying) {
                resumeAfterSeek_ = true;
                drainEvents();
            }
        },
        Qt::QueuedConnection);
}

void MpvEngine::play() {
    if (!handle_ || entryId_ < 0 || state_ == StatePlaying)
        return;
    restart();
}

// libmpv falls back to the null output when the sound server goes away
// during playback, and stays there once the server is back: each play from
// the null output tries the system's outputs again.
void MpvEngine::reconnectOutput() {
    if (output_.kind != MpvOutput::Kind::System || systemOutputOrder() == "null" ||
        stringProperty(handle_.get(), "current-ao") != "null")
        return;
    const char* reload[] = {"ao-reload", nullptr};
    if (mpv_command(handle_.get(), reload) < 0)
        qCWarning(lcEngine) << "libmpv refused to reconnect the sound output";
}

void MpvEngine::restart() {
    if (!handle_ || entryId_ < 0 || !fileUsable())
        return;
    drainEvents();
    reconnectOutput();
    if (state_ == StatePaused && !positionFloor_)
        positionFloor_ = heldPosition_;
    state_ = StatePlaying;
    schedulePlay();
}

void MpvEngine::pause() {
    if (!handle_ || entryId_ < 0 || state_ != StatePlaying)
        return;
    drainEvents();
    heldPosition_ = playingPosition();
    state_ = StatePaused;
    resumeAfterSeek_ = false;
    setMpvPaused(true);
}

void MpvEngine::stop() {
    if (!handle_ || entryId_ < 0)
        return;
    seek(0);
    state_ = StateStopped;
    resumeAfterSeek_ = false;
    setMpvPaused(true);
}

void MpvEngine::seek(std::int32_t seconds) {
    seekWithin(seconds, 0);
}

void MpvEngine::seekMs(std::int64_t positionMs) {
    const std::int64_t ms = std::clamp<std::int64_t>(positionMs, 0, INT32_MAX * 1000LL);
    seekWithin(static_cast<std::int32_t>(ms / 1000), static_cast<std::int32_t>(ms % 1000));
}

void MpvEngine::seekWithin(std::int32_t seconds, std::int32_t extraMs) {
    if (!handle_ || entryId_ < 0 || state_ == StateStopped || !fileUsable())
        return;
    // While the length is an estimate, the end is only known once walked.
    if (!lengthExact_ && seconds >= totalSeconds_)
        return deferSeekToEnd();
    // A seek to the end still waiting is replaced; its silence ends with this one.
    if (std::exchange(endSeekDeferred_, false) && state_ == StatePlaying)
        resumeAfterSeek_ = true;
    const std::int32_t target = std::clamp(seconds, 0, totalSeconds_);
    // A reload starts at the whole second; the milliseconds are a seek from
    // there, with playback held until it is done so the whole second is not heard.
    const bool fine = extraMs != 0 && target == seconds;
    const bool holdPlayback = fine && state_ == StatePlaying;
    if (holdPlayback)
        state_ = StatePaused;
    const bool reloaded = reloadFor(target);
    if (holdPlayback && entryId_ >= 0)
        state_ = StatePlaying;
    if (reloaded && (!fine || entryId_ < 0))
        return;
    if (target != seconds)
        extraMs = 0;
    const std::string amount =
        std::to_string(target) + '.' + std::to_string(1000 + extraMs).substr(1);
    const char* command[] = {"seek", amount.c_str(), "absolute+exact", nullptr};
    if (mpv_command_async(handle_.get(), SeekReply, command) < 0)
        return;
    ++seekRepliesOutstanding_;
    seekStarted_ = false;
    seekTarget_ = target;
    seekTargetMs_ = extraMs;
    if (reloaded && state_ == StatePlaying)
        resumeAfterSeek_ = true;
    heldPosition_ = target;
    positionFloor_ = target;
}

std::int32_t MpvEngine::playingPosition() {
    if (seekTarget_)
        return *seekTarget_;
    const auto seconds = doubleProperty(handle_.get(), "time-pos");
    if (!seconds)
        return heldPosition_;
    std::int32_t position = wholeSeconds(*seconds);
    if (lengthExact_)
        position = std::min(position, totalSeconds_);
    // libmpv counts the output's latency off the position until the first
    // sound after a seek or a resume is heard; the engine reports the target
    // meanwhile, so the position never steps back.
    if (positionFloor_) {
        if (position >= *positionFloor_)
            positionFloor_.reset();
        else
            position = *positionFloor_;
    }
    heldPosition_ = position;
    return position;
}

bool MpvEngine::heldAtEnd() {
    int eof = 0;
    return !seekTarget_ &&
           mpv_get_property(handle_.get(), "eof-reached", MPV_FORMAT_FLAG, &eof) >= 0 && eof;
}

std::int32_t MpvEngine::getState(std::int32_t* position) {
    // The first answer after a seek is the seek's own: state unchanged, even
    // when libmpv has already run into the end, which the next answer shows.
    const bool answeringASeek = seekTarget_.has_value();
    drainEvents();
    onWalkNews();
    std::int32_t reported = 0;
    if (handle_ && entryId_ >= 0 && state_ != StateStopped) {
        if (!answeringASeek && heldAtEnd()) {
            // libmpv pauses by itself at the end of the file and holds it.
            state_ = StatePaused;
            const auto end = doubleProperty(handle_.get(), "time-pos");
            heldPosition_ = lengthExact_ || !end ? totalSeconds_ : wholeSeconds(*end);
            positionFloor_.reset();
        }
        reported = state_ == StatePaused ? heldPosition_ : playingPosition();
    }
    if (position)
        *position = reported;
    return state_;
}

std::int32_t MpvEngine::getStateMs(std::int64_t* positionMs) {
    std::int32_t seconds = 0;
    const std::int32_t state = getState(&seconds);
    std::int64_t ms = std::int64_t{seconds} * 1000;
    if (seekTarget_) {
        ms += seekTargetMs_;
    } else if (state != StateStopped && handle_) {
        // Within the second getState reported, so both agree.
        if (const auto exact = doubleProperty(handle_.get(), "time-pos"))
            ms += std::clamp<std::int64_t>(std::llround(*exact * 1000) - ms, 0, 999);
    }
    if (positionMs)
        *positionMs = ms;
    return state;
}

void MpvEngine::setPitch(std::int32_t percent) {
    if (!handle_)
        return;
    double speed = std::clamp(percent, 50, 300) / 100.0;
    // Not waited for: libmpv may be busy starting playback, and it carries
    // out requests in order. It accepts any speed in this range; were it
    // refused, the previous speed would simply stay, which is all a caller
    // could ask for.
    [[maybe_unused]] const int result =
        mpv_set_property_async(handle_.get(), SpeedReply, "speed", MPV_FORMAT_DOUBLE, &speed);
}

void MpvEngine::setEqualizer(const std::int32_t* bands) {
    if (!bands) {
        equalizer_.reset();
        return;
    }
    EqualizerLevels levels;
    std::copy(bands, bands + EqualizerBandCount, levels.begin());
    equalizer_ = levels;
}

void MpvEngine::reload() {
    if (!handle_)
        return;
    const std::string chain = audioFilterChain(equalizer_);
    if (chain == appliedFilters_)
        return;
    if (mpv_set_property_string(handle_.get(), "af", chain.c_str()) >= 0)
        appliedFilters_ = chain;
}

std::int32_t MpvEngine::getLastErrorNo() {
    return lastError_;
}

void MpvEngine::free() {
    abandonOpen();
    dropPreload();
    forgetFile();
    handle_.reset();
}

std::unique_ptr<EngineBackend> makeMpvBackend(const MpvOutput& output) {
    return std::make_unique<MpvEngine>(output);
}

std::unique_ptr<EngineBackend> makeMpvBackend() {
    return makeMpvBackend(MpvOutput{});
}
