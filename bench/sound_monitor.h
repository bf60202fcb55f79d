// What a PulseAudio null sink plays, read back from its monitor as it
// arrives (parec, 48 kHz mono, 1 ms latency asked). The monitor's own capture
// latency is included in any time taken from it: an upper bound.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>

class SoundMonitor {
  public:
    // env points parec at the sound server (SoundServer::addTo).
    explicit SoundMonitor(const QProcessEnvironment& env);
    ~SoundMonitor();
    SoundMonitor(const SoundMonitor&) = delete;
    SoundMonitor& operator=(const SoundMonitor&) = delete;

    // Started and past its warm-up: a null sink passes what is played in the
    // first two seconds of a new monitor stream on late (about 1.4 s after a
    // warmed-up one hears it), so the monitor is read in silence for longer.
    bool ready();
    // Reads for at most timeoutMs: true once a sample is louder than about
    // -20 dBFS (loud), or once quietForMs went by without one (!loud).
    bool waitForSound(bool loud, int timeoutMs, int quietForMs = 0);
    // Reads what arrived within waitMs (at most): whether any of it was loud.
    bool heardWithin(int waitMs);

  private:
    QProcess process_;
};
