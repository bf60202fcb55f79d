#include "core/engine/mpv_engine.h"

#include "core/engine/mp3_chunks.h"
#include "core/engine/mp3_frames.h"
#include "core/engine/mp3_probe.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>

namespace {

constexpr std::uint64_t SeekReply = 1;
constexpr std::uint64_t PauseReply = 2;
// Opening waits this long at most for libmpv to load a file.
constexpr int OpenTimeoutMs = 15000;
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

void MpvEngine::init() {
    if (handle_)
        return;
    handle_ = createAudioPlayer(output_);
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
        if (seekTarget_ && seekRepliesOutstanding_ == 0 && seekStarted_)
            seekTarget_.reset();
        break;
    case MPV_EVENT_START_FILE: {
        const auto* start = static_cast<const mpv_event_start_file*>(event.data);
        if (start->playlist_entry_id == loading_.entryId)
            loading_.started = true;
        break;
    }
    case MPV_EVENT_FILE_LOADED:
        if (loading_.started)
            loading_.loaded = true;
        break;
    case MPV_EVENT_END_FILE:
        onEndFile(*static_cast<const mpv_event_end_file*>(event.data));
        break;
    default:
        break;
    }
}

void MpvEngine::onEndFile(const mpv_event_end_file& end) {
    if (end.playlist_entry_id == loading_.entryId) {
        loading_.ended = true;
        loading_.endError = end.reason == MPV_END_FILE_REASON_ERROR ? end.error : 0;
    }
    // The open file went away under the player (a read error, say).
    if (end.playlist_entry_id == entryId_)
        forgetFile();
}

void MpvEngine::forgetFile() {
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

std::int16_t MpvEngine::open(const char* path, EngineFileInfo* info) {
    if (!handle_)
        return fail(ErrNotInitialised, info);
    drainEvents();
    // The current file goes even when the new one fails to open.
    close();
    if (!path || !*path)
        return fail(ErrFileNotFound, info);

    const QString name = QFile::decodeName(path);
    const QFileInfo fileInfo(name);
    if (!fileInfo.exists())
        return fail(ErrFileNotFound, info);
    QFile file(name);
    // Only regular files: a named pipe would block here, a device never ends.
    if (!fileInfo.isFile() || !file.open(QIODevice::ReadOnly))
        return fail(ErrFileUnreadable, info);
    const qint64 size = file.size();
    const uchar* bytes = size > 0 ? file.map(0, size) : nullptr;
    if (size > 0 && !bytes)
        return fail(ErrFileUnreadable, info);
    const auto byteCount = static_cast<std::size_t>(size);
    const AudioFileLayout layout = inspectAudioFile(bytes, byteCount);
    const QByteArray absolute = QFile::encodeName(fileInfo.absoluteFilePath());

    // MPEG audio, raw or in RIFF, plays as frame-aligned stretches (see
    // mp3_chunks.h); everything else goes to FFmpeg as it is.
    std::optional<MpegStreamInfo> mpeg;
    if (bytes && (layout.riffHoldsMpeg || layout.container == AudioContainer::Other))
        mpeg = walkMpegFrames(bytes + layout.dataOffset, layout.dataSize, MpegMarkInterval);
    // A few chance frame headers in another format's data are no stream.
    if (mpeg && mpeg->audioBytes * 2 < mpeg->streamBytes)
        mpeg.reset();
    file.unmap(const_cast<uchar*>(bytes));
    const std::string url =
        mpeg ? "memory://" +
                   mpegChunkPlaylist(
                       absolute.toStdString(), static_cast<std::int64_t>(layout.dataOffset),
                       static_cast<std::int64_t>(layout.dataOffset + layout.dataSize), *mpeg)
             : absolute.toStdString();

    mpv_handle* h = handle_.get();
    int flag = 1;
    if (mpv_set_property_string(h, "demuxer-lavf-format", mpeg ? "concat" : "") < 0 ||
        mpv_set_property_string(h, "demuxer-lavf-o", mpeg ? MpegChunkLavfOptions : "") < 0 ||
        mpv_set_property(h, "pause", MPV_FORMAT_FLAG, &flag) < 0)
        return fail(ErrNotInitialised, info);

    const char* command[] = {"loadfile", url.c_str(), "replace", nullptr};
    mpv_node result;
    if (mpv_command_ret(h, command, &result) < 0)
        return fail(ErrUndecodable, info);
    loading_ = {};
    if (result.format == MPV_FORMAT_NODE_MAP) {
        const mpv_node_list* map = result.u.list;
        for (int i = 0; i < map->num; ++i)
            if (std::strcmp(map->keys[i], "playlist_entry_id") == 0 &&
                map->values[i].format == MPV_FORMAT_INT64)
                loading_.entryId = map->values[i].u.int64;
    }
    mpv_free_node_contents(&result);
    if (loading_.entryId < 0)
        return fail(ErrUndecodable, info);

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
    const Loading outcome = std::exchange(loading_, Loading{});
    if (!outcome.ready) {
        const char* stop[] = {"stop", nullptr};
        // A load that never finished is abandoned; failing here changes
        // nothing since the next load replaces it anyway.
        if (!outcome.ended && mpv_command(h, stop) < 0)
            return fail(ErrUndecodable, info);
        switch (outcome.endError) {
        case MPV_ERROR_NOTHING_TO_PLAY:
            return fail(ErrNoAudioStream, info);
        case MPV_ERROR_UNKNOWN_FORMAT:
            return fail(layout.looksLikeText ? ErrNoAudioStream : ErrUndecodable, info);
        default:
            return fail(ErrUndecodable, info);
        }
    }

    entryId_ = outcome.entryId;
    const std::string codec = stringProperty(h, "audio-codec-name");
    const double seconds = mpeg ? mpeg->seconds() : doubleProperty(h, "duration").value_or(0.0);
    totalSeconds_ = wholeSeconds(seconds);
    lastError_ = ErrNone;
    if (info) {
        std::memset(info, 0, sizeof *info);
        copyText(info->Text1, QFile::encodeName(fileInfo.fileName()).constData());
        copyText(info->Text2, codec.c_str());
        info->Value1 =
            static_cast<std::int32_t>(intProperty(h, "audio-params/samplerate").value_or(0));
        info->Value2 =
            static_cast<std::int32_t>(intProperty(h, "audio-params/channel-count").value_or(0));
        // Average bit rate, kbit/s.
        info->Value3 =
            seconds > 0 ? static_cast<std::int32_t>(std::min(size * 8 / seconds / 1000, 1e9)) : 0;
        info->TotalSeconds = totalSeconds_;
    }
    return 1;
}

void MpvEngine::close() {
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

void MpvEngine::restart() {
    if (!handle_ || entryId_ < 0)
        return;
    drainEvents();
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
    if (!handle_ || entryId_ < 0 || state_ == StateStopped)
        return;
    const std::int32_t target = std::clamp(seconds, 0, totalSeconds_);
    const std::string amount = std::to_string(target);
    const char* command[] = {"seek", amount.c_str(), "absolute+exact", nullptr};
    if (mpv_command_async(handle_.get(), SeekReply, command) < 0)
        return;
    ++seekRepliesOutstanding_;
    seekStarted_ = false;
    seekTarget_ = target;
    heldPosition_ = target;
    positionFloor_ = target;
}

std::int32_t MpvEngine::playingPosition() {
    if (seekTarget_)
        return *seekTarget_;
    const auto seconds = doubleProperty(handle_.get(), "time-pos");
    if (!seconds)
        return heldPosition_;
    std::int32_t position = std::min(wholeSeconds(*seconds), totalSeconds_);
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
    std::int32_t reported = 0;
    if (handle_ && entryId_ >= 0 && state_ != StateStopped) {
        if (!answeringASeek && heldAtEnd()) {
            // libmpv pauses by itself at the end of the file and holds it.
            state_ = StatePaused;
            heldPosition_ = totalSeconds_;
            positionFloor_.reset();
        }
        reported = state_ == StatePaused ? heldPosition_ : playingPosition();
    }
    if (position)
        *position = reported;
    return state_;
}

void MpvEngine::setPitch(std::int32_t percent) {
    if (!handle_)
        return;
    double speed = std::clamp(percent, 50, 300) / 100.0;
    // libmpv accepts any speed in this range; were it refused, the previous
    // speed would simply stay, which is all a caller could ask for.
    [[maybe_unused]] const int result =
        mpv_set_property(handle_.get(), "speed", MPV_FORMAT_DOUBLE, &speed);
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
    forgetFile();
    handle_.reset();
}

std::unique_ptr<EngineBackend> makeMpvBackend(const MpvOutput& output) {
    return std::make_unique<MpvEngine>(output);
}

std::unique_ptr<EngineBackend> makeMpvBackend() {
    return makeMpvBackend(MpvOutput{});
}
