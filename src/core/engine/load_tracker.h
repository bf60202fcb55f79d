// What libmpv says of the loads the engine asks for: started, loaded,
// playing (ready) or ended, told apart by playlist entry.
//
// A load may be asked for before its entry is known: a preload asks from
// its probe's thread, a reload learns its entry from the command's reply.
// What libmpv says meanwhile of the load it began is kept, and becomes the
// followed load's once the entry is known.
//
// The preload lives here too: the file an open probes, whose probe thread
// then asks libmpv to load it.
#pragma once

#include "core/engine/open_probe.h"

#include <QByteArray>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mpv/client.h>
#include <optional>

struct MpvLoad {
    std::int64_t entryId = -1;
    bool started = false;
    bool loaded = false;
    bool ready = false;
    bool ended = false;
    int endError = 0; // libmpv's error when the load ended in one

    bool settled() const { return ready || ended; }
};

class LoadTracker {
  public:
    // Follows the load of entryId from now on.
    void follow(std::int64_t entryId);
    // A load has been asked for whose entry is not known yet.
    void expect();
    // The entry of the load expected: what libmpv said of it so far counts.
    void bind(std::int64_t entryId);
    const MpvLoad& current() const { return current_; }
    // Stops following, answering what was learnt.
    MpvLoad take();
    void onEvent(const mpv_event& event);

    // Probes path on a thread of its own, which then asks libmpv to load it;
    // probed runs on context's thread once the probe has finished.
    void startPreload(const QByteArray& path, mpv_handle* handle, QObject* context,
                      std::function<void()> probed);
    bool preloadProbed() const { return preload_ && preload_->probe->finished(); }
    // Ends the preload: its probe's result (once probed), its load followed
    // from now on; false when its thread asked for none.
    bool takeOverPreload(FileProbe& probe);
    // Drops the preload and stops the load it asked for.
    void dropPreload(mpv_handle* handle);

  private:
    struct Preload {
        std::unique_ptr<BackgroundProbe> probe;
        // The entry its probe's thread asked for, -1 until then or without one.
        std::shared_ptr<std::atomic<std::int64_t>> entryId;
    };

    MpvLoad current_;
    // What libmpv said of the load it began last while its entry was not
    // known yet.
    bool expecting_ = false;
    MpvLoad early_;
    std::optional<Preload> preload_;
};
