// A read that stalls as on a network share that stopped answering, for
// FileReader::setReadHookForTesting.
#pragma once

#include "core/engine/file_reader.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

// Holds the first read after it is armed until released; a read that the
// window's thread made itself would hold it for good, so the hold gives up
// after a while and the test fails instead of hanging.
struct StallingRead {
    std::mutex mutex;
    std::condition_variable released;
    bool used = false;
    bool open = false;
    bool waiting = false;

    void hold() {
        std::unique_lock lock(mutex);
        if (used)
            return;
        used = true;
        waiting = true;
        released.wait_for(lock, std::chrono::seconds(30), [this] { return open; });
        waiting = false;
    }
    bool holding() {
        std::lock_guard lock(mutex);
        return waiting;
    }
    void release() {
        {
            std::lock_guard lock(mutex);
            open = true;
        }
        released.notify_all();
    }
};

// Makes the next read of the engine's reader stall until released. The hook
// owns the stall: it may outlive the test on the stalled thread.
inline std::shared_ptr<StallingRead> stallNextEngineRead() {
    auto stall = std::make_shared<StallingRead>();
    FileReader::setReadHookForTesting([stall] { stall->hold(); });
    return stall;
}
