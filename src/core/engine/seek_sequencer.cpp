#include "core/engine/seek_sequencer.h"

#include "core/engine/libmpv.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// time-pos is a double; a seek to 3 s may read back as 2.9999999.
constexpr double PositionEpsilon = 0.001;

} // namespace

std::int32_t wholeSeconds(double seconds) {
    if (!(seconds > 0))
        return 0;
    return static_cast<std::int32_t>(std::min(std::floor(seconds + PositionEpsilon), 2147483647.0));
}

bool SeekSequencer::observe(mpv_handle* handle) {
    handle_ = handle;
    return libmpv().observe_property(handle, TimePosObserved, "time-pos", MPV_FORMAT_DOUBLE) >= 0 &&
           libmpv().observe_property(handle, EndObserved, "eof-reached", MPV_FORMAT_FLAG) >= 0;
}

void SeekSequencer::begin(std::int32_t totalSeconds, bool lengthExact) {
    reset();
    setLength(totalSeconds, lengthExact);
}

void SeekSequencer::reset() {
    state_ = StateStopped;
    totalSeconds_ = 0;
    lengthExact_ = true;
    heldPosition_ = 0;
    positionFloor_.reset();
    seekTarget_.reset();
    seekStarted_ = false;
    resumeAfterSeek_ = false;
    timePos_.reset();
    endReached_ = false;
}

void SeekSequencer::setLength(std::int32_t totalSeconds, bool lengthExact) {
    totalSeconds_ = totalSeconds;
    lengthExact_ = lengthExact;
}

std::int32_t SeekSequencer::position() const {
    if (state_ == StateStopped)
        return 0;
    if (state_ == StatePlaying && seekTarget_)
        return *seekTarget_;
    return heldPosition_;
}

std::int64_t SeekSequencer::positionMs() const {
    const std::int64_t ms = std::int64_t{position()} * 1000;
    if (state_ == StateStopped)
        return 0;
    if (seekTarget_)
        return ms + seekTargetMs_;
    if (!timePos_)
        return ms;
    // Within the second position() reports, so both agree.
    return ms + std::clamp<std::int64_t>(std::llround(*timePos_ * 1000) - ms, 0, 999);
}

std::int32_t SeekSequencer::clampedWhole(double seconds) const {
    const std::int32_t position = wholeSeconds(seconds);
    return lengthExact_ ? std::min(position, totalSeconds_) : position;
}

void SeekSequencer::onTimePos(std::optional<double> seconds) {
    timePos_ = seconds;
    if (state_ != StatePlaying || seekTarget_ || !seconds)
        return;
    std::int32_t position = clampedWhole(*seconds);
    // libmpv counts the output's latency off the position until the first
    // sound after a seek or a resume is heard; the target is reported
    // meanwhile, so the position never steps back.
    if (positionFloor_) {
        if (position >= *positionFloor_)
            positionFloor_.reset();
        else
            position = *positionFloor_;
    }
    heldPosition_ = position;
}

// Read at once rather than waited for: a notification still on its way
// would answer for the place before a seek.
void SeekSequencer::refreshEndOfFile() {
    int end = 0;
    endReached_ =
        handle_ && libmpv().get_property(handle_, "eof-reached", MPV_FORMAT_FLAG, &end) >= 0 && end;
}

// libmpv pauses by itself at the end of the file and holds it.
void SeekSequencer::holdEndIfReached() {
    if (state_ == StateStopped || seekTarget_ || !endReached_)
        return;
    state_ = StatePaused;
    heldPosition_ = lengthExact_ || !timePos_ ? totalSeconds_ : wholeSeconds(*timePos_);
    positionFloor_.reset();
    resumeAfterSeek_ = false;
}

void SeekSequencer::play() {
    if (state_ == StatePaused && !positionFloor_)
        positionFloor_ = heldPosition_;
    state_ = StatePlaying;
    refreshEndOfFile();
    holdEndIfReached();
}

void SeekSequencer::pause() {
    // The pause point as of now, not as of the last notification.
    double seconds = 0;
    if (!seekTarget_ && handle_ &&
        libmpv().get_property(handle_, "time-pos", MPV_FORMAT_DOUBLE, &seconds) >= 0)
        onTimePos(seconds);
    if (seekTarget_)
        heldPosition_ = *seekTarget_;
    state_ = StatePaused;
    resumeAfterSeek_ = false;
    setMpvPaused(true);
}

void SeekSequencer::stop() {
    state_ = StateStopped;
    resumeAfterSeek_ = false;
    setMpvPaused(true);
}

bool SeekSequencer::seek(std::int32_t target, std::int32_t extraMs) {
    const std::string amount =
        std::to_string(target) + '.' + std::to_string(1000 + extraMs).substr(1);
    const char* command[] = {"seek", amount.c_str(), "absolute+exact", nullptr};
    if (libmpv().command_async(handle_, SeekReply, command) < 0)
        return false;
    ++seekRepliesOutstanding_;
    seekStarted_ = false;
    seekTarget_ = target;
    seekTargetMs_ = extraMs;
    heldPosition_ = target;
    positionFloor_ = target;
    return true;
}

void SeekSequencer::holdAt(std::int32_t target) {
    seekTarget_ = target;
    seekTargetMs_ = 0;
    seekStarted_ = false;
    heldPosition_ = target;
    positionFloor_ = target;
    resumeAfterSeek_ = false;
}

void SeekSequencer::finishHold() {
    seekTarget_.reset();
    if (state_ == StatePlaying)
        resumeAfterSeek_ = true;
}

void SeekSequencer::setMpvPaused(bool paused) {
    int flag = paused ? 1 : 0;
    // Queued behind the seeks already sent: a synchronous call would overtake
    // them, and a resume would sound from the old place first.
    if (libmpv().set_property_async(handle_, PauseReply, "pause", MPV_FORMAT_FLAG, &flag) < 0)
        fileLost_();
}

void SeekSequencer::onEvent(const mpv_event& event) {
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
        if (event.reply_userdata != PauseReply)
            break;
        // libmpv refuses to pause or resume only when it has lost the file.
        if (event.error < 0)
            fileLost_();
        // Resumed at the end, libmpv stays there and tells nothing more.
        else
            refreshEndOfFile();
        break;
    case MPV_EVENT_SEEK:
        // Seeks queued before the last reply were merged into this one.
        if (seekRepliesOutstanding_ == 0)
            seekStarted_ = true;
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        if (seekTarget_ && seekRepliesOutstanding_ == 0 && seekStarted_) {
            seekTarget_.reset();
            refreshEndOfFile();
        }
        break;
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto* property = static_cast<const mpv_event_property*>(event.data);
        if (event.reply_userdata == TimePosObserved)
            onTimePos(property->format == MPV_FORMAT_DOUBLE
                          ? std::optional(*static_cast<double*>(property->data))
                          : std::nullopt);
        else if (event.reply_userdata == EndObserved)
            endReached_ = property->format == MPV_FORMAT_FLAG && *static_cast<int*>(property->data);
        break;
    }
    default:
        break;
    }
}

void SeekSequencer::settle() {
    holdEndIfReached();
    if (!resumeAfterSeek_ || seekTarget_)
        return;
    resumeAfterSeek_ = false;
    if (state_ == StatePlaying)
        setMpvPaused(false);
}
