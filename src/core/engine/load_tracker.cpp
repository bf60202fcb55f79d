#include "core/engine/load_tracker.h"

#include "core/engine/engine.h"
#include "core/engine/libmpv.h"
#include "core/engine/mpv_load.h"
#include "core/log.h"

#include <utility>

namespace {

void markEnded(MpvLoad& load, const mpv_event_end_file& end) {
    load.ended = true;
    load.endError = end.reason == MPV_END_FILE_REASON_ERROR ? end.error : 0;
}

} // namespace

void LoadTracker::follow(std::int64_t entryId) {
    current_ = {};
    current_.entryId = entryId;
}

void LoadTracker::expect() {
    current_ = {};
    expecting_ = true;
    early_ = {};
}

void LoadTracker::bind(std::int64_t entryId) {
    current_ = early_.entryId == entryId ? early_ : MpvLoad{};
    current_.entryId = entryId;
    expecting_ = false;
    early_ = {};
}

MpvLoad LoadTracker::take() {
    return std::exchange(current_, MpvLoad{});
}

void LoadTracker::onEvent(const mpv_event& event) {
    switch (event.event_id) {
    case MPV_EVENT_START_FILE: {
        const auto* start = static_cast<const mpv_event_start_file*>(event.data);
        if (start->playlist_entry_id == current_.entryId)
            current_.started = true;
        else if (expecting_)
            early_ = {start->playlist_entry_id, true};
        break;
    }
    case MPV_EVENT_FILE_LOADED:
        current_.loaded = current_.loaded || current_.started;
        early_.loaded = early_.loaded || early_.started;
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        current_.ready = current_.ready || current_.loaded;
        early_.ready = early_.ready || early_.loaded;
        break;
    case MPV_EVENT_END_FILE: {
        const auto& end = *static_cast<const mpv_event_end_file*>(event.data);
        if (end.playlist_entry_id == current_.entryId)
            markEnded(current_, end);
        else if (end.playlist_entry_id == early_.entryId)
            markEnded(early_, end);
        break;
    }
    default:
        break;
    }
}

void LoadTracker::startPreload(const QByteArray& path, mpv_handle* handle, QObject* context,
                               std::function<void()> probed) {
    auto entryId = std::make_shared<std::atomic<std::int64_t>>(-1);
    expect();
    preload_ = Preload{nullptr, entryId};
    preload_->probe = std::make_unique<BackgroundProbe>(
        path, context, std::move(probed), [handle, entryId](const FileProbe& probe) {
            // Without libmpv yet, the open asks for the load once it is up.
            if (probe.error == ErrNone && handle)
                *entryId = requestPausedLoad(handle, probe);
        });
}

bool LoadTracker::takeOverPreload(FileProbe& probe) {
    if (!preload_)
        return false;
    probe = preload_->probe->take();
    // Final: the probe has finished, and its load request with it.
    const std::int64_t entryId = *preload_->entryId;
    preload_.reset();
    if (entryId < 0) {
        expecting_ = false;
        early_ = {};
        return false;
    }
    bind(entryId);
    return true;
}

void LoadTracker::dropPreload(mpv_handle* handle) {
    if (!preload_)
        return;
    // Waits for a load request under way on the probe's thread; after this
    // none comes.
    preload_->probe.reset();
    const std::int64_t entryId = *preload_->entryId;
    preload_.reset();
    expecting_ = false;
    early_ = {};
    const char* stop[] = {"stop", nullptr};
    if (entryId >= 0 && handle && libmpv().command(handle, stop) < 0)
        qCWarning(lcEngine) << "libmpv refused to stop a file loaded ahead";
}
