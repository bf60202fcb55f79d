#include "core/engine/stretch_session.h"

#include "core/engine/mp3_chunks.h"
#include "core/engine/mpv_load.h"

#include <utility>

void StretchSession::begin(const FileReader& file, const MpegOpening& opening,
                           std::function<void(double)> lengthFound) {
    reset();
    plan_ = opening.plan;
    loadedExactSeconds_ = mpegPlaylistExactSeconds(plan_);
    file_ = file.duplicate();
    lengthExact_ = opening.lengthExact;
    lengthFound_ = std::move(lengthFound);
    if (opening.needsWalk())
        walk_ = std::make_unique<MpegWalk>(
            file.duplicate(), opening.plan.start, opening.plan.end, opening.header,
            MpegMarkInterval, [this] { postWalkNews(); }, walkHook_);
}

void StretchSession::reset() {
    // The walk's thread posts to the context: it stops first.
    walk_.reset();
    plan_ = {};
    loadedExactSeconds_ = 0;
    file_ = {};
    lengthFound_ = {};
    lengthExact_ = true;
}

void StretchSession::postWalkNews() {
    // Called on the walk's thread: only hand the news to the context's thread.
    if (walkNewsQueued_.exchange(true))
        return;
    QMetaObject::invokeMethod(
        context_,
        [this] {
            walkNewsQueued_ = false;
            onWalkNews();
        },
        Qt::QueuedConnection);
}

void StretchSession::onWalkNews() {
    if (!walk_ || !walk_->done() || plan_.complete)
        return;
    const MpegWalk::Progress progress = walk_->progress();
    // The loaded playlist stays until the next seek needs more of it.
    plan_.complete = true;
    plan_.frames = progress.frames;
    plan_.marks = progress.marks;
    lengthExact_ = true;
    if (lengthFound_)
        lengthFound_(static_cast<double>(progress.frames) * plan_.frameSeconds);
}

std::optional<std::string> StretchSession::playlistReaching(double seconds) {
    if (!active() || seconds < loadedExactSeconds_)
        return std::nullopt;
    MpegChunkPlan plan = plan_;
    if (walk_ && !plan.complete) {
        const MpegWalk::Progress progress = walk_->progress();
        plan.marks = progress.marks;
        plan.frames = progress.frames;
    }
    const double exactSeconds = mpegPlaylistExactSeconds(plan);
    if (exactSeconds <= loadedExactSeconds_)
        return std::nullopt;
    plan_ = std::move(plan);
    loadedExactSeconds_ = exactSeconds;
    return playlistUrl(plan_);
}

FileReader::Presence StretchSession::filePresence(int timeoutMs) const {
    return file_.stillAtWithin(plan_.path.c_str(), plan_.end, timeoutMs);
}
