// The MPEG audio of the open file as libmpv plays it: a playlist of exact
// stretches (see mp3_chunks.h), and, where the frames cannot be placed by
// arithmetic, the walk on another thread that counts them and finds the
// exact length. Other files have no session.
//
// A seek beyond the stretches loaded so far needs the playlist reloaded with
// those walked since; the session says when and with what. The file the
// playlist names is held open to notice it being replaced.
#pragma once

#include "core/engine/file_reader.h"
#include "core/engine/mp3_plan.h"
#include "core/engine/mp3_walk.h"

#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class StretchSession {
  public:
    explicit StretchSession(QObject* context) : context_(context) {}

    // Starts the session of a file just opened with opening; lengthFound
    // runs on the context's thread once the walk has found the exact length.
    void begin(const FileReader& file, const MpegOpening& opening,
               std::function<void(double seconds)> lengthFound);
    void reset();

    bool active() const { return !plan_.path.empty(); }
    bool lengthExact() const { return lengthExact_; }
    // Until the walk's end has been taken in.
    bool walking() const { return walk_ && !plan_.complete; }
    void setWalkBlockHook(MpegWalk::BlockHook hook) { walkHook_ = std::move(hook); }

    // The playlist to reload for a seek to seconds, when the loaded one ends
    // before it and more of the file has been walked since; it counts as
    // loaded from then on.
    std::optional<std::string> playlistReaching(double seconds);
    // Whether the file is still the one planned, asked within timeoutMs.
    FileReader::Presence filePresence(int timeoutMs) const;
    const std::string& path() const { return plan_.path; }

  private:
    void postWalkNews();
    void onWalkNews();

    QObject* context_;
    MpegChunkPlan plan_;
    double loadedExactSeconds_ = 0;
    FileReader file_;
    std::unique_ptr<MpegWalk> walk_;
    MpegWalk::BlockHook walkHook_;
    std::function<void(double)> lengthFound_;
    std::atomic<bool> walkNewsQueued_{false};
    bool lengthExact_ = true;
};
