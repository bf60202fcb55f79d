#include "core/engine/mpv_engine.h"

#include "core/engine/libmpv.h"
#include "core/engine/mpv_load.h"
#include "core/engine/mpv_properties.h"
#include "core/log.h"

#include <algorithm>
#include <string>
#include <system_error>
#include <utility>

namespace {

// How long a seek or play waits for the file to say it is still there.
constexpr int FileCheckTimeoutMs = 250;

} // namespace

MpvEngine::MpvEngine(MpvOutput output)
    : output_(std::move(output)), playback_([this] { forgetFile(); }), stretches_(this) {
    reloadTimeout_.setSingleShot(true);
    reloadTimeout_.setInterval(OpenTimeoutMs);
    connect(&reloadTimeout_, &QTimer::timeout, this, [this] {
        qCWarning(lcEngine) << "the file could not be reloaded within" << OpenTimeoutMs << "ms";
        close();
    });
    openTimeout_.setSingleShot(true);
    openTimeout_.setInterval(OpenTimeoutMs);
    connect(&openTimeout_, &QTimer::timeout, this, [this] { onOpenTimeout(); });
}

MpvEngine::~MpvEngine() {
    settleStart();
    dropOpen();
    loads_.dropPreload(handle_.get());
    // The walk's thread posts to this object: it stops first.
    stretches_.reset();
    playback_.detach();
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

void MpvEngine::init(std::function<void()> started) {
    started_ = std::move(started);
    if (startState_ == Start::Done) {
        QMetaObject::invokeMethod(
            this, [this] { tellStarted(); }, Qt::QueuedConnection);
        return;
    }
    if (startState_ == Start::Running)
        return;
    startState_ = Start::Running;
    try {
        // The thread hands the handle over through the event loop; a handle
        // whose news arrives after a free goes with the news.
        starting_ = std::async(std::launch::async, [this, output = output_, run = startRun_] {
            auto handle = std::make_shared<MpvHandle>(createAudioPlayer(output));
            QMetaObject::invokeMethod(
                this, [this, handle, run] { onStarted(std::move(*handle), run); },
                Qt::QueuedConnection);
        });
    } catch (const std::system_error& error) {
        qCWarning(lcEngine) << "cannot start libmpv on a thread of its own:" << error.what();
        auto handle = std::make_shared<MpvHandle>(createAudioPlayer(output_));
        QMetaObject::invokeMethod(
            this, [this, handle, run = startRun_] { onStarted(std::move(*handle), run); },
            Qt::QueuedConnection);
    }
}

void MpvEngine::onStarted(MpvHandle handle, int run) {
    if (run != startRun_)
        return;
    startState_ = Start::Done;
    handle_ = std::move(handle);
    if (handle_) {
        appliedFilters_ = audioFilterChain(std::nullopt);
        if (!playback_.observe(handle_.get()))
            qCWarning(lcEngine) << "libmpv refused to report the position";
        libmpv().set_wakeup_callback(handle_.get(), &MpvEngine::onWakeup, this);
        // What was set while libmpv started.
        applyFilters();
        if (speedPercent_ != 100)
            setPitch(speedPercent_);
    }
    tellStarted();
    scheduleAdvance();
}

void MpvEngine::tellStarted() {
    if (const std::function<void()> started = std::exchange(started_, {}))
        started();
}

// Waits for a start under way: it ends once libmpv has started or failed to.
void MpvEngine::settleStart() {
    if (starting_.valid())
        starting_.wait();
    ++startRun_;
    startState_ = Start::Done;
}

std::int16_t MpvEngine::setOption(const EngineOptions&) {
    return handle_ ? 1 : 0;
}

void MpvEngine::drainEvents() {
    if (!handle_ || draining_)
        return;
    draining_ = true;
    for (;;) {
        const mpv_event* event = libmpv().wait_event(handle_.get(), 0);
        if (event->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(*event);
    }
    draining_ = false;
    settleReload();
    if (entryId_ >= 0)
        playback_.settle();
    scheduleAdvance();
}

void MpvEngine::handleEvent(const mpv_event& event) {
    loads_.onEvent(event);
    playback_.onEvent(event);
    switch (event.event_id) {
    case MPV_EVENT_COMMAND_REPLY:
        if (event.reply_userdata == ReloadReply)
            onReloadReply(event);
        break;
    case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<const mpv_event_end_file*>(event.data);
        // The open file went away under the player (a read error, say).
        if (end->playlist_entry_id == entryId_ && entryId_ != replacedEntry_)
            forgetFile();
        break;
    }
    case MPV_EVENT_LOG_MESSAGE:
        logMessage(*static_cast<const mpv_event_log_message*>(event.data));
        break;
    default:
        break;
    }
}

void MpvEngine::forgetFile() {
    stretches_.reset();
    playback_.reset();
    if (reloading_)
        loads_.take();
    reloading_ = false;
    replacedEntry_ = -1;
    seekAfterReloadMs_.reset();
    reloadTimeout_.stop();
    endSeekDeferred_ = false;
    lengthNews_ = false;
    entryId_ = -1;
}

void MpvEngine::onLengthFound(double seconds) {
    const std::int32_t exact = wholeSeconds(seconds);
    lengthNews_ = lengthNews_ || exact != playback_.totalSeconds();
    playback_.setLength(exact, true);
    if (endSeekDeferred_) {
        endSeekDeferred_ = false;
        playback_.finishHold();
        seek(exact);
    }
}

std::int16_t MpvEngine::takeExactLength(std::int32_t* totalSeconds) {
    if (!lengthNews_ || entryId_ < 0)
        return 0;
    lengthNews_ = false;
    if (totalSeconds)
        *totalSeconds = playback_.totalSeconds();
    return 1;
}

// Before the walk is done, a target beyond the loaded stretches reloads the
// playlist with the stretches walked since, when there are more. Nothing
// waits for it: the engine holds the target until the reload plays.
bool MpvEngine::startReload(std::int32_t target) {
    const std::optional<std::string> url = stretches_.playlistReaching(target);
    if (!url)
        return false;
    playback_.holdAt(target);
    playback_.setMpvPaused(true);
    if (!requestLoadAsync(handle_.get(), ReloadReply, *url, true, target)) {
        qCWarning(lcEngine) << "libmpv refused to reload the file at" << target << "s";
        close();
        return true;
    }
    reloading_ = true;
    // The entry replaced ends on the way; that is not the file lost.
    replacedEntry_ = entryId_;
    seekAfterReloadMs_.reset();
    loads_.expect();
    reloadTimeout_.start();
    return true;
}

void MpvEngine::onReloadReply(const mpv_event& event) {
    if (!reloading_)
        return;
    const auto* reply = static_cast<const mpv_event_command*>(event.data);
    const std::int64_t entryId = event.error < 0 ? -1 : loadedEntry(reply->result);
    if (entryId < 0) {
        qCWarning(lcEngine) << "libmpv could not reload the file:"
                            << libmpv().error_string(event.error);
        close();
        return;
    }
    loads_.bind(entryId);
    entryId_ = entryId;
}

void MpvEngine::settleReload() {
    if (!reloading_ || !loads_.current().settled())
        return;
    const MpvLoad outcome = loads_.take();
    reloading_ = false;
    reloadTimeout_.stop();
    if (!outcome.ready) {
        qCWarning(lcEngine) << "the file could not be reloaded";
        forgetFile();
        return;
    }
    playback_.finishHold();
    if (const auto targetMs = std::exchange(seekAfterReloadMs_, std::nullopt))
        seekMs(*targetMs);
}

// FFmpeg opens each stretch by the file's name. Once the file is cut shorter,
// deleted or replaced, a stretch fails to open, and the next seek crashes
// inside FFmpeg's playlist demuxer. So a changed file is closed, as a file
// lost to a read error is, before libmpv is asked to seek or play in it. A
// file that does not answer (a share that stopped) is left alone, and so is
// the command: the window waits at most FileCheckTimeoutMs for the share.
bool MpvEngine::fileUsable() {
    if (!stretches_.active())
        return true;
    switch (stretches_.filePresence(FileCheckTimeoutMs)) {
    case FileReader::Presence::Same:
        return true;
    case FileReader::Presence::NoAnswer:
        qCWarning(lcEngine).noquote() << "the open file does not answer; command dropped:"
                                      << QString::fromStdString(stretches_.path());
        return false;
    case FileReader::Presence::Changed:
        break;
    }
    qCWarning(lcEngine).noquote() << "the open file changed under the player; closed:"
                                  << QString::fromStdString(stretches_.path());
    close();
    return false;
}

void MpvEngine::deferSeekToEnd() {
    endSeekDeferred_ = true;
    playback_.holdAt(playback_.totalSeconds());
    // Silent while waiting, so nothing from the old place is heard.
    playback_.setMpvPaused(true);
}

void MpvEngine::close() {
    dropOpen();
    if (!handle_ || entryId_ < 0)
        return;
    forgetFile();
    const char* stop[] = {"stop", nullptr};
    // Fails only while libmpv shuts down, when there is no file left to stop.
    if (libmpv().command(handle_.get(), stop) < 0)
        return;
}

void MpvEngine::schedulePlay() {
    if (playQueued_)
        return;
    playQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            playQueued_ = false;
            if (handle_ && entryId_ >= 0) {
                playback_.resumeWhenDue();
                drainEvents();
            }
        },
        Qt::QueuedConnection);
}

void MpvEngine::play() {
    if (!handle_ || entryId_ < 0 || playback_.state() == StatePlaying)
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
    if (libmpv().command(handle_.get(), reload) < 0)
        qCWarning(lcEngine) << "libmpv refused to reconnect the sound output";
}

void MpvEngine::restart() {
    if (!handle_ || entryId_ < 0 || !fileUsable())
        return;
    drainEvents();
    if (entryId_ < 0)
        return;
    reconnectOutput();
    playback_.play();
    schedulePlay();
}

void MpvEngine::pause() {
    if (!handle_ || entryId_ < 0 || playback_.state() != StatePlaying)
        return;
    drainEvents();
    if (entryId_ >= 0 && playback_.state() == StatePlaying)
        playback_.pause();
}

void MpvEngine::stop() {
    if (!handle_ || entryId_ < 0)
        return;
    seek(0);
    if (entryId_ >= 0)
        playback_.stop();
}

void MpvEngine::seek(std::int32_t seconds) {
    seekWithin(seconds, 0);
}

void MpvEngine::seekMs(std::int64_t positionMs) {
    const std::int64_t ms = std::clamp<std::int64_t>(positionMs, 0, INT32_MAX * 1000LL);
    seekWithin(static_cast<std::int32_t>(ms / 1000), static_cast<std::int32_t>(ms % 1000));
}

void MpvEngine::seekWithin(std::int32_t seconds, std::int32_t extraMs) {
    if (!handle_ || entryId_ < 0 || playback_.state() == StateStopped || !fileUsable())
        return;
    const std::int32_t total = playback_.totalSeconds();
    // While the length is an estimate, the end is only known once walked.
    if (!playback_.lengthExact() && seconds >= total)
        return deferSeekToEnd();
    // A seek to the end still waiting is replaced; its silence ends with this one.
    if (std::exchange(endSeekDeferred_, false))
        playback_.finishHold();
    const std::int32_t target = std::clamp(seconds, 0, total);
    if (target != seconds)
        extraMs = 0;
    const std::int64_t targetMs = std::int64_t{target} * 1000 + extraMs;
    // A seek while the stretches reload goes once they play.
    if (reloading_) {
        seekAfterReloadMs_ = targetMs;
        playback_.holdAt(target);
        return;
    }
    // A reload starts at the whole second; the milliseconds are a seek from
    // there once it plays, which holds playback until then.
    if (startReload(target)) {
        if (reloading_ && extraMs != 0)
            seekAfterReloadMs_ = targetMs;
        return;
    }
    playback_.seek(target, extraMs);
}

std::int32_t MpvEngine::getStateMs(std::int64_t* positionMs) {
    const bool open = handle_ && entryId_ >= 0;
    if (positionMs)
        *positionMs = open ? playback_.positionMs() : 0;
    return open ? playback_.state() : StateStopped;
}

std::int32_t MpvEngine::getState(std::int32_t* position) {
    const bool open = handle_ && entryId_ >= 0;
    if (position)
        *position = open ? playback_.position() : 0;
    return open ? playback_.state() : StateStopped;
}

std::int32_t MpvEngine::getLastErrorNo() {
    return lastError_;
}

void MpvEngine::free() {
    settleStart();
    dropOpen();
    loads_.dropPreload(handle_.get());
    forgetFile();
    playback_.detach();
    handle_.reset();
}

std::unique_ptr<EngineBackend> makeMpvBackend(const MpvOutput& output) {
    return std::make_unique<MpvEngine>(output);
}

std::unique_ptr<EngineBackend> makeMpvBackend() {
    return makeMpvBackend(MpvOutput{});
}
