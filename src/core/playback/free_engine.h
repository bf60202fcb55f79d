// Freeing the engine with a limit. libmpv's teardown waits for its reads; on
// a share that stopped answering, a player whose window has closed would stay
// alive for good, holding the socket that the next start talks to.
#pragma once

#include <chrono>
#include <functional>

namespace modMain {

// Frees the engine. Should that not return within limit, giveUp runs on
// another thread; by default it logs and ends the process, whose settings
// are saved by then.
void FreeEngineWithin(std::chrono::milliseconds limit, std::function<void()> giveUp = {});

} // namespace modMain
