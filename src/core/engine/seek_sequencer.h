// The open file's play state as the program sees it, and the order in which
// seeks, pauses and resumes reach libmpv.
//
// libmpv works asynchronously; the state here answers at once. After a seek
// the position is the target until libmpv has restarted playback there;
// play, pause and stop change the state at once. A resume waits for the seek
// in flight, so no sound from the old place is heard first. libmpv's
// position, and whether it holds the end of the file, arrive as property
// events and are cached: reading the state changes nothing.
#pragma once

#include "core/engine/engine.h"

#include <cstdint>
#include <functional>
#include <mpv/client.h>
#include <optional>

// Whole seconds of a libmpv time, never negative.
std::int32_t wholeSeconds(double seconds);

class SeekSequencer {
  public:
    // What libmpv's replies and property events carry to tell them apart.
    static constexpr std::uint64_t SeekReply = 1;
    static constexpr std::uint64_t PauseReply = 2;
    static constexpr std::uint64_t TimePosObserved = 10;
    static constexpr std::uint64_t EndObserved = 11;

    // fileLost runs when libmpv refuses to pause or resume: it has lost the file.
    explicit SeekSequencer(std::function<void()> fileLost) : fileLost_(std::move(fileLost)) {}

    // Asks handle for the properties the state follows.
    bool observe(mpv_handle* handle);
    void detach() { handle_ = nullptr; }

    // A file has been opened: stopped at its start.
    void begin(std::int32_t totalSeconds, bool lengthExact);
    void reset();
    void setLength(std::int32_t totalSeconds, bool lengthExact);

    std::int32_t state() const { return state_; }
    std::int32_t position() const;
    // The position to the millisecond, within the second position() reports.
    std::int64_t positionMs() const;
    std::int32_t totalSeconds() const { return totalSeconds_; }
    bool lengthExact() const { return lengthExact_; }
    bool seekPending() const { return seekTarget_.has_value(); }

    // Playing from now on; libmpv resumes once resumeWhenDue has been called
    // and no seek is in flight.
    void play();
    void resumeWhenDue() { resumeAfterSeek_ = resumeAfterSeek_ || state_ == StatePlaying; }
    void pause();
    // Stopped; the caller seeks to the start first.
    void stop();
    // Seeks to target and extraMs past it (within the file); false when
    // libmpv refused.
    bool seek(std::int32_t target, std::int32_t extraMs = 0);
    // A seek carried out another way (a reload, a wait for the end): the
    // position is target until finishHold.
    void holdAt(std::int32_t target);
    void finishHold();
    void setMpvPaused(bool paused);

    void onEvent(const mpv_event& event);
    // After a batch of events: a resume that was waiting, the end of the file.
    void settle();

  private:
    void onTimePos(std::optional<double> seconds);
    void refreshEndOfFile();
    void holdEndIfReached();
    std::int32_t clampedWhole(double seconds) const;

    std::function<void()> fileLost_;
    mpv_handle* handle_ = nullptr;

    std::int32_t state_ = StateStopped;
    std::int32_t totalSeconds_ = 0;
    bool lengthExact_ = true;
    // The position while paused (and the last one known while playing), and
    // the lowest position to report until playback has passed it.
    std::int32_t heldPosition_ = 0;
    std::optional<std::int32_t> positionFloor_;
    // What libmpv last said: its position and whether it holds the end.
    std::optional<double> timePos_;
    bool endReached_ = false;

    // The seek being carried out: its target, the replies to seek commands
    // still to come, and whether libmpv began a seek after the last reply.
    std::optional<std::int32_t> seekTarget_;
    std::int32_t seekTargetMs_ = 0; // past seekTarget_'s second
    int seekRepliesOutstanding_ = 0;
    bool seekStarted_ = false;
    bool resumeAfterSeek_ = false;
};
