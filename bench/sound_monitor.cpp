#include "sound_monitor.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

} // namespace

SoundMonitor::SoundMonitor(const QProcessEnvironment& env) {
    process_.setProcessEnvironment(env);
    process_.start("parec", {"-d", "memotap_null.monitor", "--raw", "--format=s16le",
                             "--rate=48000", "--channels=1", "--latency-msec=1"});
    process_.waitForStarted(5000);
}

SoundMonitor::~SoundMonitor() {
    process_.kill();
    process_.waitForFinished(3000);
}

bool SoundMonitor::ready() {
    constexpr int WarmUpMs = 3000;
    return process_.state() == QProcess::Running && waitForSound(false, 2 * WarmUpMs, WarmUpMs);
}

bool SoundMonitor::heardWithin(int waitMs) {
    process_.waitForReadyRead(waitMs);
    const QByteArray bytes = process_.readAll();
    const auto* samples = reinterpret_cast<const std::int16_t*>(bytes.constData());
    for (qsizetype i = 0; i < bytes.size() / 2; ++i)
        if (std::abs(samples[i]) > 3000)
            return true;
    return false;
}

bool SoundMonitor::waitForSound(bool loud, int timeoutMs, int quietForMs) {
    const auto start = Clock::now();
    auto quietSince = Clock::now();
    while (msSince(start) < timeoutMs) {
        const bool heard = heardWithin(2);
        if (loud && heard)
            return true;
        if (!loud) {
            if (heard)
                quietSince = Clock::now();
            else if (msSince(quietSince) >= quietForMs)
                return true;
        }
    }
    return false;
}
