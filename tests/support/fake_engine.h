// A stand-in engine that records every call that acts in order and answers
// vbmp3_getState from a scripted state and position, so command tests can
// check the exact sequence of what the player did. Reading the state is not
// recorded: when and how often the player reads it is no behaviour.
#pragma once

#include "core/engine/engine.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

class FakeEngine : public EngineBackend {
  public:
    // Installs a new fake as the engine backend and returns it (owned by the
    // engine slot).
    static FakeEngine& install();

    QStringList calls; // e.g. "seek(197)", "setEqualizer(60,80,...)"
    std::int32_t state = StateStopped;
    std::int32_t position = 0;
    // The milliseconds past position that getStateMs adds; set by seekMs,
    // cleared by the other calls that move the position.
    std::int32_t positionMs = 0;
    bool writePosition = true; // false: getState leaves the caller's value alone
    bool openSucceeds = true;
    std::int32_t totalSeconds = 0;
    std::int32_t lastError = 0;
    std::int16_t optionResult = 1;
    // Each seek, play, pause and restart updates state and position as a real
    // engine would, so later getState calls see them.
    bool simulate = true;
    std::optional<std::array<std::int32_t, EqualizerBandCount>> equalizer;
    HearingAids hearing;
    // An exact length for the next vbmp3_takeExactLength to hand out, once.
    // Not recorded in calls: the player polls it with every timer tick.
    std::optional<std::int32_t> exactLength;
    // An open answers inside vbmp3_open unless this is set; then it answers
    // when the test calls finishOpen, as a slow file would.
    bool deferOpen = false;
    // Runs inside free(), to look at what the player has done by then.
    std::function<void()> onFree;

    // The calls since the last clear, then clears them.
    QStringList take();

    // Started at once.
    void init(std::function<void()> started) override;
    std::int16_t setOption(const EngineOptions& options) override;
    void open(const char* path, EngineOpenedHandler opened) override;
    // Ends the open that deferOpen kept, as openSucceeds says; false when
    // none is under way.
    bool finishOpen();
    void close() override;
    void play() override;
    void pause() override;
    void restart() override;
    void seek(std::int32_t seconds) override;
    std::int32_t getState(std::int32_t* position) override;
    std::int32_t getStateMs(std::int64_t* positionMs) override;
    void seekMs(std::int64_t positionMs) override; // recorded as "seekMs(12345)"
    void setPitch(std::int32_t percent) override;
    void setEqualizer(const std::int32_t* bands) override;
    void setHearing(const HearingAids& aids) override;
    void reload() override;
    std::int32_t getLastErrorNo() override;
    void stop() override;
    void free() override;
    std::int16_t takeExactLength(std::int32_t* totalSeconds) override;

  private:
    EngineOpenedHandler opened_;
};
