#include "support/fake_engine.h"

#include <memory>
#include <utility>

FakeEngine& FakeEngine::install() {
    auto fake = std::make_unique<FakeEngine>();
    FakeEngine& ref = *fake;
    setEngineBackend(std::move(fake));
    return ref;
}

QStringList FakeEngine::take() {
    QStringList out = calls;
    calls.clear();
    return out;
}

void FakeEngine::init(std::function<void()> started) {
    calls << "init";
    if (started)
        started();
}

std::int16_t FakeEngine::setOption(const EngineOptions& o) {
    calls << QString("setVbmp3Option(%1,%2,%3,%4)")
                 .arg(o.Option1)
                 .arg(o.Option2)
                 .arg(o.Option3)
                 .arg(o.Option4);
    return optionResult;
}

void FakeEngine::open(const char* path, EngineOpenedHandler opened) {
    calls << QString("open(%1)").arg(QString::fromLocal8Bit(path));
    if (simulate) {
        state = StateStopped;
        position = 0;
        positionMs = 0;
    }
    opened_ = std::move(opened);
    if (!deferOpen)
        finishOpen();
}

bool FakeEngine::finishOpen() {
    if (!opened_)
        return false;
    EngineOpened result;
    result.opened = openSucceeds;
    result.error = openSucceeds ? ErrNone : lastError;
    if (openSucceeds)
        result.info.TotalSeconds = totalSeconds;
    std::exchange(opened_, {})(result);
    return true;
}

void FakeEngine::close() {
    calls << "close";
    opened_ = {};
    if (simulate) {
        state = StateStopped;
        position = 0;
        positionMs = 0;
    }
}

void FakeEngine::play() {
    calls << "play";
    if (simulate)
        state = StatePlaying;
}

void FakeEngine::pause() {
    calls << "pause";
    if (simulate && state == StatePlaying)
        state = StatePaused;
}

void FakeEngine::restart() {
    calls << "restart";
    if (simulate && state != StateStopped)
        state = StatePlaying;
}

void FakeEngine::seek(std::int32_t seconds) {
    calls << QString("seek(%1)").arg(seconds);
    if (simulate && state != StateStopped) {
        position = seconds;
        positionMs = 0;
    }
}

void FakeEngine::seekMs(std::int64_t ms) {
    calls << QString("seekMs(%1)").arg(ms);
    if (simulate && state != StateStopped) {
        position = static_cast<std::int32_t>(ms / 1000);
        positionMs = static_cast<std::int32_t>(ms % 1000);
    }
}

std::int32_t FakeEngine::getStateMs(std::int64_t* ms) {
    if (ms && writePosition)
        *ms = std::int64_t{position} * 1000 + positionMs;
    return state;
}

std::int32_t FakeEngine::getState(std::int32_t* pos) {
    if (pos && writePosition)
        *pos = position;
    return state;
}

void FakeEngine::setPitch(std::int32_t percent) {
    calls << QString("setPitch(%1)").arg(percent);
}

void FakeEngine::setEqualizer(const std::int32_t* bands) {
    if (!bands) {
        calls << "setEqualizer(null)";
        equalizer.reset();
        return;
    }
    std::array<std::int32_t, EqualizerBandCount> copy{};
    QStringList levels;
    for (int i = 0; i < EqualizerBandCount; ++i) {
        copy[i] = bands[i];
        levels << QString::number(bands[i]);
    }
    equalizer = copy;
    calls << QString("setEqualizer(%1)").arg(levels.join(','));
}

void FakeEngine::setHearing(const HearingAids& aids) {
    static const char* const channels[] = {"both", "left", "right", "mix"};
    hearing = aids;
    calls << QString("setHearing(levelling=%1,noise=%2,lowcut=%3,channel=%4)")
                 .arg(aids.levelling)
                 .arg(aids.noiseReduction)
                 .arg(aids.lowCut)
                 .arg(channels[static_cast<int>(aids.channel)]);
}

void FakeEngine::reload() {
    calls << "reload";
}

std::int32_t FakeEngine::getLastErrorNo() {
    calls << "getLastErrorNo";
    return lastError;
}

void FakeEngine::stop() {
    calls << "stop";
    if (simulate) {
        state = StateStopped;
        position = 0;
        positionMs = 0;
    }
}

void FakeEngine::free() {
    calls << "free";
    opened_ = {};
    if (onFree)
        onFree();
}

std::int16_t FakeEngine::takeExactLength(std::int32_t* seconds) {
    if (!exactLength)
        return 0;
    if (seconds)
        *seconds = *exactLength;
    if (simulate)
        totalSeconds = *exactLength;
    exactLength.reset();
    return 1;
}
