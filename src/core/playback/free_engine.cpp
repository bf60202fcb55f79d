#include "core/playback/free_engine.h"

#include "core/engine/engine.h"
#include "core/log.h"

#include <cstdlib>
#include <future>
#include <system_error>
#include <thread>

namespace modMain {

namespace {

void endProcess() {
    qCWarning(lcEngine) << "freeing the engine does not return; the player ends without it";
    std::_Exit(0);
}

} // namespace

void FreeEngineWithin(std::chrono::milliseconds limit, std::function<void()> giveUp) {
    std::promise<void> freed;
    try {
        std::thread([done = freed.get_future(), limit,
                     giveUp = giveUp ? std::move(giveUp) : endProcess] {
            if (done.wait_for(limit) == std::future_status::timeout)
                giveUp();
        }).detach();
    } catch (const std::system_error& error) {
        qCWarning(lcEngine) << "no thread to watch the engine being freed:" << error.what();
    }
    vbmp3_free();
    freed.set_value();
}

} // namespace modMain
