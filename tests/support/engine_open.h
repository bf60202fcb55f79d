// Starts the engine, or opens a file in it, and runs the event loop until
// that has ended, for tests and benchmarks that need it before they go on.
#pragma once

#include "core/engine/engine.h"
#include "support/wait.h"

#include <QByteArray>
#include <optional>

// True once the engine has started, within timeoutMs.
inline bool StartEngine(int timeoutMs = 30000) {
    bool started = false;
    vbmp3_init([&started] { started = true; });
    return WaitUntil([&] { return started; }, timeoutMs);
}

// How the open ended; none when it did not end within timeoutMs (longer
// than the engine gives a file that does not answer).
inline std::optional<EngineOpened> OpenInEngine(const QByteArray& path, int timeoutMs = 60000) {
    std::optional<EngineOpened> ended;
    vbmp3_open(path.constData(), [&ended](const EngineOpened& result) { ended = result; });
    WaitUntil([&] { return ended.has_value(); }, timeoutMs);
    return ended;
}

// OpenInEngine, true when the file opened; info then describes it.
inline bool OpenedInEngine(const QByteArray& path, EngineFileInfo& info) {
    const std::optional<EngineOpened> ended = OpenInEngine(path);
    info = ended ? ended->info : EngineFileInfo{};
    return ended && ended->opened;
}
