#include "core/engine/engine.h"

#include "core/installed.h"
#include "core/player_events.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace {
std::unique_ptr<EngineBackend> installedBackend;
} // namespace

std::int32_t EngineBackend::getStateMs(std::int64_t* positionMs) {
    std::int32_t seconds = 0;
    const std::int32_t state = getState(&seconds);
    if (positionMs)
        *positionMs = std::int64_t{seconds} * 1000;
    return state;
}

void EngineBackend::seekMs(std::int64_t positionMs) {
    seek(static_cast<std::int32_t>(std::clamp<std::int64_t>(positionMs / 1000, 0, INT32_MAX)));
}

void setEngineBackend(std::unique_ptr<EngineBackend> backend) {
    installedBackend = std::move(backend);
}

EngineBackend& engineBackend() {
    return modMain::Installed(installedBackend.get(), "The engine");
}

bool hasEngineBackend() {
    return installedBackend != nullptr;
}

void vbmp3_init(std::function<void()> started) {
    engineBackend().init(std::move(started));
}
std::int16_t vbmp3_setVbmp3Option(const EngineOptions* options) {
    return options ? engineBackend().setOption(*options) : 0;
}
void vbmp3_open(const char* path, EngineOpenedHandler opened) {
    engineBackend().open(path, std::move(opened));
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
std::int32_t vbmp3_getStateMs(std::int64_t* positionMs) {
    return engineBackend().getStateMs(positionMs);
}
void vbmp3_seekMs(std::int64_t positionMs) {
    engineBackend().seekMs(positionMs);
    emit modMain::Events().seeked(
        static_cast<std::int32_t>(std::clamp<std::int64_t>(positionMs / 1000, 0, INT32_MAX)));
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
