#include "core/engine/engine.h"

#include "core/player_events.h"

#include <utility>

namespace {
std::unique_ptr<EngineBackend>& backendSlot() {
    static std::unique_ptr<EngineBackend> slot;
    return slot;
}
} // namespace

void setEngineBackend(std::unique_ptr<EngineBackend> backend) {
    backendSlot() = std::move(backend);
}

EngineBackend& engineBackend() {
    auto& slot = backendSlot();
    if (!slot)
        slot = makeMpvBackend();
    return *slot;
}

void vbmp3_startInit() {
    engineBackend().startInit();
}
void vbmp3_init() {
    engineBackend().init();
}
std::int16_t vbmp3_setVbmp3Option(const EngineOptions* options) {
    return options ? engineBackend().setOption(*options) : 0;
}
std::int16_t vbmp3_open(const char* path, EngineFileInfo* info) {
    return engineBackend().open(path, info);
}
void vbmp3_preload(const char* path) {
    engineBackend().preload(path);
}
void vbmp3_close() {
    engineBackend().close();
}
void vbmp3_play() {
    engineBackend().play();
}
void vbmp3_pause() {
    engineBackend().pause();
}
void vbmp3_restart() {
    engineBackend().restart();
}
void vbmp3_seek(std::int32_t seconds) {
    engineBackend().seek(seconds);
    emit modMain::Events().seeked(seconds); // every seek, whoever asked for it
}
std::int32_t vbmp3_getState(std::int32_t* position) {
    return engineBackend().getState(position);
}
void vbmp3_setPitch(std::int32_t percent) {
    engineBackend().setPitch(percent);
}
void vbmp3_setEqualizer(const std::int32_t* bands) {
    engineBackend().setEqualizer(bands);
}
void vbmp3_setHearing(const HearingAids& aids) {
    engineBackend().setHearing(aids);
}
void vbmp3_reload() {
    engineBackend().reload();
}
std::int32_t vbmp3_getLastErrorNo() {
    return engineBackend().getLastErrorNo();
}
void vbmp3_stop() {
    engineBackend().stop();
}
void vbmp3_free() {
    engineBackend().free();
}
std::int16_t vbmp3_takeExactLength(std::int32_t* totalSeconds) {
    return engineBackend().takeExactLength(totalSeconds);
}
