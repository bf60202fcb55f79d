// Player figures with the real engine and a PulseAudio null sink.
//
// ResumeLatency: TogglePlayPause from paused with RevSeconds 3, in this
// process, until (a) the engine reports playback restarted at the point three
// seconds back (libmpv's PLAYBACK_RESTART, sent once the first decoded audio
// of the new place is handed to the output), (b) the first sound read back
// from the sink's monitor and (c) the first sound of the replayed stretch
// there, told apart by the recording's time code (each second its own tone).
// (b) and (c) include the monitor's capture latency: upper bounds of what
// reaches the sound card. A resume whose first sound is audio from before the
// pause (left in the output when it paused) is counted.
//
// PlayerCpu: the real player under a private X server, playing a recording
// it reopened from its history, driven by its own hotkeys (Ctrl+Space plays,
// Ctrl+Up raises the speed by 5); CPU time of the whole process (its Qt
// thread, libmpv's decoder and output threads) over ten seconds paused, at
// 100 % and at 300 %, as a share of one core.
#include "core/engine/mpv_engine.h"
#include "core/hotkeys/keyfile.h"
#include "core/modMain.h"
#include "core/textfile.h"
#include "latency.h"
#include "support/audio_fixtures.h"
#include "support/engine_open.h"
#include "support/xsession.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

using namespace bench;

// Reads the null sink's monitor as raw 16-bit mono samples at 48 kHz.
class Monitor {
  public:
    static constexpr int Rate = 48000;

    explicit Monitor(const SoundServer& sound) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        sound.addTo(env);
        process_.setProcessEnvironment(env);
        process_.start("parec", {"-d", "memotap_null.monitor", "--raw", "--format=s16le",
                                 "--rate=48000", "--channels=1", "--latency-msec=1"});
        process_.waitForStarted(5000);
    }
    ~Monitor() {
        process_.kill();
        process_.waitForFinished(3000);
    }
    bool ok() const { return process_.state() == QProcess::Running; }

    // Samples that arrived since the last call (Qt events of this process are
    // handled meanwhile, as the engine needs).
    std::vector<float> read() {
        QCoreApplication::processEvents();
        process_.waitForReadyRead(1);
        bytes_ += process_.readAll();
        const qsizetype count = bytes_.size() / 2;
        std::vector<float> out(static_cast<std::size_t>(count));
        const auto* samples = reinterpret_cast<const std::int16_t*>(bytes_.constData());
        for (qsizetype i = 0; i < count; ++i)
            out[static_cast<std::size_t>(i)] = samples[i] / 32768.0f;
        bytes_.remove(0, count * 2);
        return out;
    }

    // True once a sample louder than about -20 dBFS arrives (loud), or once
    // quietForMs pass without one (!loud); false after timeoutMs.
    bool waitFor(bool loud, int timeoutMs, int quietForMs = 0) {
        const auto start = Clock::now();
        auto quietSince = Clock::now();
        while (msSince(start) < timeoutMs) {
            bool heard = false;
            for (float sample : read())
                heard = heard || std::abs(sample) > 0.1f;
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

  private:
    QProcess process_;
    QByteArray bytes_;
};

// The time-code second (of the candidates) whose tone is strongest.
int strongestOf(const fixtures::PcmAudio& audio, const std::vector<int>& seconds) {
    int best = -1;
    double bestPower = 0;
    for (int s : seconds) {
        const double power =
            fixtures::tonePower(audio, 0, audio.samples.size(), fixtures::timeCodeFrequency(s));
        if (power > bestPower) {
            bestPower = power;
            best = s;
        }
    }
    return best;
}

void BM_ResumeLatency(benchmark::State& state) {
    constexpr int Seconds = 60;
    SoundServer sound;
    QTemporaryDir dir;
    const QString recording = dir.filePath("timecode.wav");
    if (!sound.ok() ||
        !fixtures::writeWav(recording, fixtures::timeCode(Seconds, Monitor::Rate), Monitor::Rate)) {
        state.SkipWithError("no sound server or no recording");
        return;
    }
    QProcessEnvironment env;
    sound.addTo(env);
    for (const QString& name : env.keys())
        qputenv(name.toUtf8().constData(), env.value(name).toUtf8());

    auto owner = makeMpvBackend(MpvOutput{});
    auto* engine = dynamic_cast<MpvEngine*>(owner.get());
    setEngineBackend(std::move(owner));
    StartEngine();
    const EngineOptions options{1, 1, 0, 0};
    vbmp3_setVbmp3Option(&options);
    Monitor monitor(sound);
    const QByteArray path = QFile::encodeName(recording);
    const auto finish = [] {
        vbmp3_stop();
        vbmp3_free();
        setEngineBackend(nullptr);
    };
    if (!engine || !monitor.ok() || !OpenedInEngine(path, modMain::FileInfo)) {
        state.SkipWithError("the engine could not open the recording or the monitor failed");
        finish();
        return;
    }
    modMain::RevSeconds = 3;
    vbmp3_play();
    vbmp3_seek(45);
    if (!monitor.waitFor(true, 5000)) {
        state.SkipWithError("no sound from the engine");
        finish();
        return;
    }

    std::vector<double> toRestart;
    std::vector<double> toFirstSound;
    std::vector<double> toReplay;
    int staleStarts = 0;
    // Windows of 20 ms: fine enough for the time, coarse enough to tell the
    // time code's tones (100 Hz apart) from each other.
    const std::size_t window = Monitor::Rate / 50;
    for (auto _ : state) {
        for (int resume = 0; resume < 20; ++resume) {
            monitor.waitFor(false, 2000); // plays a little
            modMain::TogglePlayPause();   // pause
            std::int32_t pausedAt = 0;
            vbmp3_getState(&pausedAt);
            if (!monitor.waitFor(false, 3000, 300)) {
                state.SkipWithError("the sound did not stop");
                break;
            }
            const int replayed = std::max(pausedAt - 3, 0);
            const std::vector<int> candidates = {replayed, replayed + 1, pausedAt - 1, pausedAt,
                                                 pausedAt + 1};

            std::optional<Clock::time_point> restarted, firstSound, replay;
            std::vector<float> heard;
            // Where each read began in `heard`, and when it arrived.
            std::vector<std::pair<std::size_t, Clock::time_point>> reads;
            const auto arrivalOf = [&](std::size_t index) {
                auto it = std::upper_bound(
                    reads.begin(), reads.end(), index,
                    [](std::size_t i, const auto& read) { return i < read.first; });
                return std::prev(it)->second;
            };
            std::size_t next = 0; // first sample not yet looked at
            const auto pressed = Clock::now();
            modMain::TogglePlayPause(); // resume three seconds back
            while (!replay && msSince(pressed) < 3000) {
                const auto samples = monitor.read();
                const auto arrived = Clock::now();
                if (!restarted && !engine->seekPending())
                    restarted = arrived;
                if (samples.empty())
                    continue;
                reads.emplace_back(heard.size(), arrived);
                heard.insert(heard.end(), samples.begin(), samples.end());
                // From the first loud sample on, tell the stretch by its tone.
                while (!replay) {
                    while (next < heard.size() && std::abs(heard[next]) < 0.1f)
                        ++next;
                    if (next + window > heard.size())
                        break;
                    if (!firstSound)
                        firstSound = arrivalOf(next);
                    const fixtures::PcmAudio chunk{
                        Monitor::Rate,
                        {heard.begin() + static_cast<std::ptrdiff_t>(next),
                         heard.begin() + static_cast<std::ptrdiff_t>(next + window)}};
                    const int second = strongestOf(chunk, candidates);
                    if (second == replayed || second == replayed + 1) {
                        replay = arrivalOf(next);
                    } else {
                        if (firstSound == arrivalOf(next))
                            ++staleStarts;
                        next += window;
                    }
                }
            }
            if (!replay) {
                state.SkipWithError("the replayed stretch was not heard");
                break;
            }
            toReplay.push_back(msSince(pressed, *replay));
            toFirstSound.push_back(msSince(pressed, *firstSound));
            if (restarted)
                toRestart.push_back(msSince(pressed, *restarted));
            // Back to a place with room for the next pause and resume.
            if (replayed < 10)
                vbmp3_seek(45);
        }
        if (!toReplay.empty()) {
            std::vector<double> sorted = toReplay;
            std::sort(sorted.begin(), sorted.end());
            state.SetIterationTime(sorted[sorted.size() / 2] / 1000);
        }
    }
    reportLatencies(state, "to_engine_restart_", toRestart);
    reportLatencies(state, "to_first_sound_", toFirstSound);
    reportLatencies(state, "to_replayed_audio_", toReplay);
    state.counters["resumes_starting_with_old_audio"] = staleStarts;
    finish();
}
BENCHMARK(BM_ResumeLatency)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// utime + stime of a process in seconds.
std::optional<double> cpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray text = stat.readAll();
    // Fields after the command name, which is in parentheses: state is the
    // first, utime the 12th and stime the 13th.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return std::nullopt;
    return (fields[11].toDouble() + fields[12].toDouble()) / sysconf(_SC_CLK_TCK);
}

// Share of one core the process used over the next seconds.
std::optional<double> cpuPercent(qint64 pid, int seconds) {
    const auto before = cpuSeconds(pid);
    const auto start = Clock::now();
    QThread::sleep(seconds);
    const auto after = cpuSeconds(pid);
    if (!before || !after)
        return std::nullopt;
    return 100.0 * (*after - *before) / (msSince(start) / 1000);
}

void BM_PlayerCpu(benchmark::State& state) {
    XSession x;
    SoundServer sound;
    if (!x.ok() || !sound.ok()) {
        state.SkipWithError("no X server or sound server");
        return;
    }
    PlayerRun player(x);
    sound.addTo(player.environment());
    // Ten minutes of stereo noise at 44.1 kHz as a 128 kbit/s MP3, as a
    // recorder would make it: decoding costs more than a PCM tone.
    const QString wav = player.path("meeting.wav");
    const QString tone = player.path("meeting.mp3");
    if (!fixtures::runTool("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", "600",
                                   "pinknoise", "vol", "0.3"}) ||
        !fixtures::encodeMp3(wav, tone, {"-b", "128"})) {
        state.SkipWithError("sox or lame could not make the recording");
        return;
    }
    player.writeFile("hMEMOTAP.txt",
                     textfile::encode(QStringLiteral("0,0,1\r\n\"%1\",0\r\n\"\",0\r\n\"\",0\r\n"
                                                     "\"\",0\r\n\"\",0\r\n100,0,10,4,4\r\n1\r\n"
                                                     "0,0,0,\"黒\"\r\n0,0\r\n")
                                          .arg(tone)));
    modMain::InstallDefaultHotKeys();
    player.writeFile("hMEMKEY.txt", modMain::KeyFileBytes());
    player.start();
    Monitor monitor(sound);
    if (!x.waitForWindow("meeting.mp3 - メモタップ$") || !WaitForOpened(x, player) ||
        !monitor.ok()) {
        state.SkipWithError("the player did not open the recording");
        return;
    }
    QThread::msleep(1000);
    const qint64 pid = player.process().processId();

    for (auto _ : state) {
        const auto paused = cpuPercent(pid, 10);
        x.xdotool({"key", "ctrl+space"});
        if (!monitor.waitFor(true, 3000)) {
            state.SkipWithError("the Listen hotkey did not start playback");
            break;
        }
        QThread::msleep(500);
        const auto normal = cpuPercent(pid, 10);
        for (int step = 0; step < 40; ++step)
            x.xdotool({"key", "ctrl+Up"});
        QThread::msleep(1000);
        const auto fast = cpuPercent(pid, 10);
        if (!paused || !normal || !fast) {
            state.SkipWithError("the player's CPU time could not be read");
            break;
        }
        state.counters["paused_cpu_percent"] = *paused;
        state.counters["speed100_cpu_percent"] = *normal;
        state.counters["speed300_cpu_percent"] = *fast;
        state.SetIterationTime(30);
    }

    // The speed reached 300 % if the closing player saved it so.
    player.terminate();
    player.waitForExit();
    const QStringList lines = textfile::decode(player.readFile("hMEMOTAP.txt")).split("\r\n");
    if (lines.size() < 7 || lines[6].section(',', 0, 0) != "300")
        state.SkipWithError("the speed did not reach 300 %");
}
BENCHMARK(BM_PlayerCpu)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
