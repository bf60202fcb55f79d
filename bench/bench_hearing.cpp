// The hearing aids measured through the real engine: recordings made here
// play in real time to a private PulseAudio server's null sink, whose monitor
// is read back (48 kHz stereo) and compared with the same recording played
// with the aids off.
//
// Levelling: speech-like turns alternating between -12 and -38 dBFS (active
// level: RMS over the louder half of 50 ms windows), one turn after a 3 s
// quiet stretch; the spread between the turns, the highest sample, the first
// 0.3 s of the turn after the quiet stretch against the rest of it, and how
// far the level of a long quiet turn is from its steady level in the 0.3 s to
// 1.3 s after a seek, a rewind and a resume with its 3 s step back.
// Noise: speech at -20 dBFS with steady pink noise 10 dB below it: the noise
// in the pauses and the speech level, on against off.
// Hum: 50, 60, 100 and 120 Hz at -20 dBFS under speech; probes at 125, 150,
// 200 Hz and 1 kHz.
// Channels: 440 Hz left, 880 Hz right; the tones heard on each side.
// Switching: 1 kHz and 100 Hz tones; each aid switched on and off while
// playing: the time from the command until the output changes, and any gap
// (a 5 ms stretch 6 dB below the tone) or click (a step between samples
// beyond what the tones make) around it.
// Cost: CPU time of this process (the engine and libmpv's threads) playing
// speech at 300 % for 10 s with all aids on against all off.
#include "core/engine/mpv_engine.h"
#include "latency.h"
#include "support/audio_fixtures.h"
#include "support/engine_open.h"
#include "support/xsession.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>
#include <cmath>
#include <ctime>
#include <functional>
#include <map>
#include <random>

namespace {

using namespace bench;
using fixtures::PcmAudio;

constexpr int Rate = 48000;

double dB(double power) {
    return 10 * std::log10(std::max(power, 1e-20));
}

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// Pink noise (Paul Kellet's filter over white noise) at the given RMS.
std::vector<float> pinkNoise(double seconds, double rms, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> white(0.0, 1.0);
    std::vector<double> out(static_cast<std::size_t>(seconds * Rate));
    double b0 = 0, b1 = 0, b2 = 0, b3 = 0, b4 = 0, b5 = 0, b6 = 0, power = 0;
    for (double& s : out) {
        const double w = white(random);
        b0 = 0.99886 * b0 + w * 0.0555179;
        b1 = 0.99332 * b1 + w * 0.0750759;
        b2 = 0.96900 * b2 + w * 0.1538520;
        b3 = 0.86650 * b3 + w * 0.3104856;
        b4 = 0.55000 * b4 + w * 0.5329522;
        b5 = -0.7616 * b5 - w * 0.0168980;
        s = b0 + b1 + b2 + b3 + b4 + b5 + b6 + w * 0.5362;
        b6 = w * 0.115926;
        power += s * s;
    }
    const double scale = rms / std::sqrt(power / out.size());
    std::vector<float> result(out.size());
    for (std::size_t i = 0; i < out.size(); ++i)
        result[i] = static_cast<float>(out[i] * scale);
    return result;
}

std::vector<float> scaled(std::vector<float> samples, double gainDb) {
    const auto gain = static_cast<float>(std::pow(10.0, gainDb / 20));
    for (float& s : samples)
        s *= gain;
    return samples;
}

// Active level of samples [from, to): RMS over the louder half of 50 ms windows.
double activeLevel(const std::vector<float>& x, std::size_t from, std::size_t to) {
    return fixtures::activeLevelDb(PcmAudio{Rate, x}, static_cast<double>(from) / Rate,
                                   static_cast<double>(to) / Rate);
}

double rmsLevel(const std::vector<float>& x, std::size_t from, std::size_t to) {
    double sum = 0;
    to = std::min(to, x.size());
    for (std::size_t i = from; i < to; ++i)
        sum += x[i] * x[i];
    return to > from ? dB(sum / (to - from)) : -200;
}

// The tone's level in [from, from + count): the median over windows of
// `seconds`, so that a window the output dropped (an underrun) does not
// count. Windows of 2 s tell 125 Hz from a strong 120 Hz beside it.
double toneLevel(const std::vector<float>& x, std::size_t from, std::size_t count, double f,
                 double seconds = 0.5) {
    const std::size_t window = std::min(count, static_cast<std::size_t>(seconds * Rate));
    std::vector<double> levels;
    for (std::size_t at = from; at + window <= std::min(from + count, x.size()); at += window) {
        PcmAudio audio;
        audio.rate = Rate;
        audio.samples.assign(x.begin() + static_cast<std::ptrdiff_t>(at),
                             x.begin() + static_cast<std::ptrdiff_t>(at + window));
        levels.push_back(dB(fixtures::tonePower(audio, 0, window, f)));
    }
    if (levels.empty())
        return -200;
    std::nth_element(levels.begin(), levels.begin() + levels.size() / 2, levels.end());
    return levels[levels.size() / 2];
}

// 10 ms RMS envelope.
std::vector<double> envelope(const std::vector<float>& x) {
    const std::size_t window = Rate / 100;
    std::vector<double> out;
    for (std::size_t at = 0; at + window <= x.size(); at += window) {
        double sum = 0;
        for (std::size_t i = at; i < at + window; ++i)
            sum += x[i] * x[i];
        out.push_back(std::sqrt(sum / window));
    }
    return out;
}

// Where reference starts in recorded (in samples), by the best match of
// their envelopes' shapes within the first two seconds.
std::size_t align(const std::vector<float>& recorded, const std::vector<float>& reference) {
    const auto a = envelope(recorded);
    const auto b = envelope(reference);
    std::size_t best = 0;
    double bestScore = -1e300;
    for (std::size_t lag = 0; lag < 200 && lag < a.size(); ++lag) {
        double ab = 0, aa = 0, bb = 0;
        for (std::size_t i = 0; i < b.size() && i + lag < a.size(); ++i) {
            ab += a[i + lag] * b[i];
            aa += a[i + lag] * a[i + lag];
            bb += b[i] * b[i];
        }
        const double score = ab / std::sqrt(aa * bb + 1e-30);
        if (score > bestScore) {
            bestScore = score;
            best = lag;
        }
    }
    return best * (Rate / 100);
}

// The sink's monitor, read while the engine plays, 48 kHz stereo.
class Recorder {
  public:
    explicit Recorder(const SoundServer& sound) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        sound.addTo(env);
        process_.setProcessEnvironment(env);
        process_.start("parec", {"-d", "memotap_null.monitor", "--raw", "--format=s16le",
                                 "--rate=48000", "--channels=2", "--latency-msec=5"});
        process_.waitForStarted(5000);
    }
    ~Recorder() {
        process_.kill();
        process_.waitForFinished(3000);
    }
    bool ok() const { return process_.state() == QProcess::Running; }

    // Reads what arrived while running Qt events for ms milliseconds.
    void pump(int ms) {
        const auto start = Clock::now();
        do {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            process_.waitForReadyRead(5);
            bytes_ += process_.readAll();
            const qsizetype frames = bytes_.size() / 4;
            const auto* s = reinterpret_cast<const std::int16_t*>(bytes_.constData());
            for (qsizetype i = 0; i < frames; ++i) {
                left.push_back(s[2 * i] / 32768.0f);
                right.push_back(s[2 * i + 1] / 32768.0f);
            }
            bytes_.remove(0, frames * 4);
        } while (msSince(start) < ms);
    }
    // The sample index that corresponds to now.
    std::size_t now() const { return left.size(); }
    void clear() {
        pump(0);
        left.clear();
        right.clear();
    }
    std::vector<float> mono(std::size_t from = 0) const {
        std::vector<float> out;
        for (std::size_t i = from; i < left.size(); ++i)
            out.push_back((left[i] + right[i]) / 2);
        return out;
    }

    std::vector<float> left, right;

  private:
    QProcess process_;
    QByteArray bytes_;
};

struct Session {
    SoundServer& sound;
    QTemporaryDir& dir;
    Recorder recorder{sound};

    // Plays samples (mono, or stereo as left/right) from the start with the
    // aids for its length (plus a margin) and returns the recording, the
    // first action after `at` seconds of playing.
    struct Action {
        double at;
        std::function<void()> run;
        std::size_t* mark = nullptr; // the recorder's index when it ran
    };
    bool play(const QString& name, const std::vector<float>& left, const std::vector<float>& right,
              const HearingAids& aids, double seconds, std::vector<Action> actions = {},
              int speed = 100) {
        const QString path = dir.filePath(name);
        if (!fixtures::writeStereoWav(path, left, right, Rate))
            return false;
        vbmp3_setHearing(aids);
        EngineFileInfo info{};
        if (!OpenedInEngine(QFile::encodeName(path), info))
            return false;
        vbmp3_setPitch(speed);
        recorder.pump(300);
        recorder.clear();
        const auto start = Clock::now();
        vbmp3_play();
        while (msSince(start) < seconds * 1000) {
            recorder.pump(10);
            for (Action& action : actions) {
                if (action.run && msSince(start) >= action.at * 1000) {
                    if (action.mark)
                        *action.mark = recorder.now();
                    action.run();
                    action.run = nullptr;
                }
            }
        }
        vbmp3_pause();
        recorder.pump(200);
        vbmp3_close();
        return true;
    }
};

void BM_HearingAids(benchmark::State& state) {
    SoundServer sound;
    QTemporaryDir dir;
    if (!sound.ok()) {
        state.SkipWithError("no sound server");
        return;
    }
    QProcessEnvironment env;
    sound.addTo(env);
    for (const QString& name : env.keys())
        qputenv(name.toUtf8().constData(), env.value(name).toUtf8());
    setEngineBackend(makeMpvBackend(MpvOutput{}));
    StartEngine();
    Session session{sound, dir};
    if (!session.recorder.ok()) {
        state.SkipWithError("the monitor cannot be recorded");
        return;
    }
    const HearingAids off{};
    const HearingAids levelling{true, false, false, ChannelChoice::Both};
    const HearingAids noise{false, true, false, ChannelChoice::Both};
    const HearingAids lowCut{false, false, true, ChannelChoice::Both};
    const HearingAids allOn{true, true, true, ChannelChoice::Mix};
    Recorder& rec = session.recorder;

    for (auto _ : state) {
        // Levelling. Turns of 3 s; speechLike peaks at the given amplitude,
        // its active level lies about 9 dB below.
        const auto loud = [](unsigned seed) {
            return scaled(fixtures::speechLike(3, Rate, 1.0f, 120, seed), -3);
        };
        const auto quiet = [](unsigned seed, double seconds = 3) {
            return scaled(fixtures::speechLike(seconds, Rate, 1.0f, 190, seed), -29);
        };
        const auto lead = fixtures::silence(0.5, Rate);
        std::vector<float> talk = lead;
        std::vector<std::pair<double, double>> turns; // seconds from the start
        double at = 0.5;
        const auto add = [&](const std::vector<float>& part, bool isTurn) {
            talk = fixtures::concat(talk, part);
            const double length = static_cast<double>(part.size()) / Rate;
            if (isTurn)
                turns.emplace_back(at, at + length);
            at += length;
        };
        add(loud(1), true);
        add(quiet(2), true);
        add(loud(3), true);
        add(fixtures::silence(3, Rate), false);
        add(quiet(4), true);
        add(loud(5), true);
        add(quiet(6), true);
        std::vector<double> inLevels;
        for (const auto& [from, to] : turns)
            inLevels.push_back(activeLevel(talk, from * Rate, to * Rate));
        state.counters["level_in_spread_db"] = *std::max_element(inLevels.begin(), inLevels.end()) -
                                               *std::min_element(inLevels.begin(), inLevels.end());
        if (!session.play("talk.wav", talk, talk, levelling, at + 1)) {
            state.SkipWithError("the engine could not play");
            break;
        }
        const auto heard = rec.mono();
        const std::size_t offset = align(heard, talk);
        std::vector<double> levels;
        for (const auto& [from, to] : turns)
            levels.push_back(activeLevel(heard, offset + from * Rate, offset + to * Rate));
        state.counters["level_out_spread_db"] = *std::max_element(levels.begin(), levels.end()) -
                                                *std::min_element(levels.begin(), levels.end());
        float peak = 0;
        for (float s : heard)
            peak = std::max(peak, std::abs(s));
        state.counters["level_peak_dbfs"] = 20 * std::log10(peak);
        const auto afterQuiet = turns[3];
        state.counters["level_first_word_after_quiet_db"] =
            activeLevel(heard, offset + afterQuiet.first * Rate,
                        offset + (afterQuiet.first + 0.3) * Rate) -
            activeLevel(heard, offset + (afterQuiet.first + 0.3) * Rate,
                        offset + afterQuiet.second * Rate);

        // A long quiet turn: its steady level, then 0.3 to 1.3 s after each
        // action (from when the new sound reaches the monitor).
        const auto longQuiet =
            fixtures::concat(lead, scaled(fixtures::speechLike(40, Rate, 1.0f, 190, 7), -29));
        std::size_t seekMark = 0, rewindMark = 0, resumeMark = 0, pauseMark = 0;
        std::vector<Session::Action> actions = {
            {6, [] { vbmp3_seek(20); }, &seekMark},
            {10, [] { vbmp3_seek(18); }, &rewindMark},
            {14, [] { vbmp3_pause(); }, &pauseMark},
            {16,
             [] {
                 std::int32_t position = 0;
                 vbmp3_getState(&position);
                 vbmp3_seek(std::max(position - 3, 0));
                 vbmp3_restart();
             },
             &resumeMark},
        };
        session.play("long.wav", longQuiet, longQuiet, levelling, 19, actions);
        const auto held = rec.mono();
        const double steady = activeLevel(held, 2 * Rate, 6 * Rate);
        // The first 10 ms window louder than -70 dBFS after a silence of at
        // least 20 ms following the mark: the new sound. A seek while
        // playing drops what the output held, so there is such a silence.
        const auto restartAfter = [&](std::size_t mark) {
            const std::size_t window = Rate / 100;
            bool silent = false;
            int quietWindows = 0;
            for (std::size_t i = mark; i + window < held.size() && i < mark + Rate; i += window) {
                const bool loudWindow = rmsLevel(held, i, i + window) > -70;
                if (!loudWindow && ++quietWindows >= 2)
                    silent = true;
                if (loudWindow) {
                    if (silent)
                        return i;
                    quietWindows = 0;
                }
            }
            return mark;
        };
        const auto deficit = [&](std::size_t mark) {
            const std::size_t from = restartAfter(mark);
            return activeLevel(held, from + 0.3 * Rate, from + 1.3 * Rate) - steady;
        };
        state.counters["level_after_seek_db"] = deficit(seekMark);
        state.counters["level_after_rewind_db"] = deficit(rewindMark);
        state.counters["level_after_resume_db"] = deficit(resumeMark);

        // Noise: pink noise 10 dB below the speech's active level.
        std::vector<float> clean = lead;
        for (unsigned seed = 11; seed < 14; ++seed)
            clean = fixtures::concat(
                clean, fixtures::concat(scaled(fixtures::speechLike(3, Rate, 1.0f, 150, seed), -11),
                                        fixtures::silence(1, Rate)));
        const double speechLevel = activeLevel(clean, 0, clean.size());
        const auto pink = pinkNoise(static_cast<double>(clean.size()) / Rate,
                                    std::pow(10.0, (speechLevel - 10) / 20), 5);
        const auto noisy = fixtures::mix(clean, pink);
        // Pauses: 100 ms stretches where the clean speech is silent, after
        // the first 1.5 s (while the noise estimate settles).
        std::vector<std::size_t> pauses;
        // Silent 0.1 s before and after too, so that a slightly misplaced
        // window does not take in the edge of a word.
        for (std::size_t i = static_cast<std::size_t>(1.5 * Rate); i + Rate / 5 < clean.size();
             i += Rate / 10)
            if (rmsLevel(clean, i - Rate / 10, i + Rate / 5) < -90)
                pauses.push_back(i);
        const auto measureNoise = [&](const HearingAids& aids, double& noiseDb, double& speechDb) {
            session.play("noisy.wav", noisy, noisy, aids,
                         static_cast<double>(clean.size()) / Rate + 1);
            const auto out = rec.mono();
            const std::size_t o = align(out, noisy);
            double sum = 0;
            for (std::size_t p : pauses)
                sum += std::pow(10.0, rmsLevel(out, o + p, o + p + Rate / 10) / 10);
            noiseDb = dB(sum / std::max<std::size_t>(1, pauses.size()));
            speechDb = activeLevel(out, o + Rate, o + clean.size());
        };
        double noiseOff = 0, speechOff = 0, noiseOn = 0, speechOn = 0;
        measureNoise(off, noiseOff, speechOff);
        measureNoise(noise, noiseOn, speechOn);
        state.counters["noise_drop_db"] = noiseOff - noiseOn;
        state.counters["noise_speech_change_db"] = speechOn - speechOff;

        // Hum under speech.
        std::vector<float> hum = fixtures::speechLike(10, Rate, 0.3f, 150, 21);
        for (double f : {50.0, 60.0, 100.0, 120.0})
            hum = fixtures::mix(hum, fixtures::sine(f, 10, Rate, 0.1f * std::sqrt(2.0f)));
        for (double f : {125.0, 150.0, 200.0, 1000.0})
            hum = fixtures::mix(hum, fixtures::sine(f, 10, Rate, 0.03f));
        std::map<double, double> humOff, humOn;
        for (auto* result : {&humOff, &humOn}) {
            session.play("hum.wav", hum, hum, result == &humOff ? off : lowCut, 9);
            const auto out = rec.mono();
            for (double f : {50.0, 60.0, 100.0, 120.0, 125.0, 150.0, 200.0, 1000.0})
                (*result)[f] = toneLevel(out, Rate, 6 * Rate, f, 2);
        }
        for (const auto& [f, level] : humOn)
            state.counters["lowcut_" + std::to_string(static_cast<int>(f)) + "hz_db"] =
                level - humOff[f];

        // Channels.
        const auto a = fixtures::sine(440, 4, Rate, 0.3f);
        const auto b = fixtures::sine(880, 4, Rate, 0.3f);
        for (auto [channel, name] :
             {std::pair{ChannelChoice::Both, "both"}, std::pair{ChannelChoice::Left, "left"},
              std::pair{ChannelChoice::Right, "right"}, std::pair{ChannelChoice::Mix, "mix"}}) {
            session.play("sides.wav", a, b, {false, false, false, channel}, 3);
            const std::string prefix = std::string("channel_") + name + "_";
            for (auto [side, samples] : {std::pair{"l", &rec.left}, std::pair{"r", &rec.right}})
                for (double f : {440.0, 880.0})
                    state.counters[prefix + side + std::to_string(static_cast<int>(f)) + "_db"] =
                        toneLevel(*samples, Rate, Rate, f);
        }

        // Switching while playing.
        const auto tones = fixtures::mix(fixtures::sine(1000, 14, Rate, 0.2f),
                                         fixtures::sine(100, 14, Rate, 0.2f));
        std::vector<double> latencies;
        int gaps = 0;
        struct Switched {
            HearingAids aids;
            const char* name;
        };
        for (const Switched& switched :
             {Switched{levelling, "levelling"}, Switched{noise, "noise"},
              Switched{lowCut, "lowcut"},
              Switched{{false, false, false, ChannelChoice::Mix}, "channel"},
              Switched{allOn, "all"}}) {
            const HearingAids aids = switched.aids;
            int clicks = 0;
            std::size_t onMark = 0, offMark = 0;
            std::vector<Session::Action> switches = {
                {4, [aids] { vbmp3_setHearing(aids); }, &onMark},
                {9, [] { vbmp3_setHearing({}); }, &offMark},
            };
            session.play("tones.wav", tones, tones, off, 13, switches);
            const auto out = rec.mono();
            // The change: the 20 ms window from which the 100 Hz tone (low
            // cut) or the signal's level moves more than 1.5 dB from before.
            const std::size_t window = Rate / 50;
            const auto changeAfter = [&](std::size_t mark) -> std::optional<double> {
                const double f = aids.lowCut ? 100 : 1000;
                const double before = toneLevel(out, mark - 10 * window, 10 * window, f);
                for (std::size_t i = mark; i + window < out.size() && i < mark + 2 * Rate;
                     i += window / 4)
                    if (std::abs(toneLevel(out, i, window, f) - before) > 1.5)
                        return static_cast<double>(i - mark) * 1000 / Rate;
                return std::nullopt;
            };
            for (std::size_t mark : {onMark, offMark}) {
                if (const auto latency = changeAfter(mark))
                    latencies.push_back(*latency);
                const std::size_t small = Rate / 200;
                const double tone = rmsLevel(out, mark - Rate / 2, mark);
                for (std::size_t i = mark; i + small < out.size() && i < mark + Rate; i += small)
                    if (rmsLevel(out, i, i + small) < tone - 6 - 20 * (aids.levelling ? 1 : 0)) {
                        ++gaps;
                        break;
                    }
                // The tones step at most 2π(1000 + 100)·0.2/48000 ≈ 0.03 a sample.
                for (std::size_t i = mark + 1; i < out.size() && i < mark + Rate; ++i)
                    if (std::abs(out[i] - out[i - 1]) > 0.1) {
                        ++clicks;
                        break;
                    }
            }
            state.counters[std::string("switch_clicks_") + switched.name] = clicks;
        }
        reportLatencies(state, "switch_heard_", latencies);
        state.counters["switch_gaps"] = gaps;

        // Cost at 300 %.
        const auto speech = fixtures::speechLike(40, Rate, 0.5f, 150, 31);
        for (auto [aids, name] :
             {std::pair{off, "cpu300_off_percent"}, std::pair{allOn, "cpu300_all_on_percent"}}) {
            double used = 0;
            const std::vector<Session::Action> probe = {
                {1, [&used] { used = -processCpuSeconds(); }},
                {11, [&used] { used += processCpuSeconds(); }},
            };
            session.play("speech.wav", speech, speech, aids, 11.5, probe, 300);
            state.counters[name] = used * 10; // of one core, over 10 s
        }
        state.SetIterationTime(1);
    }
    vbmp3_free();
    setEngineBackend(nullptr);
}

} // namespace

BENCHMARK(BM_HearingAids)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
