#include "core/playback/free_engine.h"

#include "core/engine/engine.h"
#include "core/log.h"

#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace modMain {

namespace {

struct Freeing {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
};

void endProcess() {
    qCWarning(lcEngine) << "freeing the engine does not return; the player ends without it";
    std::_Exit(0);
}

} // namespace

void FreeEngineWithin(std::chrono::milliseconds limit, std::function<void()> giveUp) {
    auto freeing = std::make_shared<Freeing>();
    try {
        std::thread([freeing, limit, giveUp = giveUp ? std::move(giveUp) : endProcess] {
            std::unique_lock lock(freeing->mutex);
            if (!freeing->finished.wait_for(lock, limit, [&] { return freeing->done; }))
                giveUp();
        }).detach();
    } catch (const std::system_error& error) {
        qCWarning(lcEngine) << "no thread to watch the engine being freed:" << error.what();
    }
    vbmp3_free();
    {
        const std::lock_guard lock(freeing->mutex);
        freeing->done = true;
    }
    freeing->finished.notify_all();
}

} // namespace modMain
