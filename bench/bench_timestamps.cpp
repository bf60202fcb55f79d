// Where a jump to a written time lands, on an eight-hour header-less VBR MP3:
// the recording is one short encoded chunk repeated (as the engine benchmark
// makes its recordings), whose every second starts with a short tone burst of
// its own pitch. A jump to a time to the millisecond (vbmp3_seekMs) is played
// into a PCM file; the first burst heard there, placed on the file's decoded
// timeline (the chunk decoded by FFmpeg gives each burst's place), says how
// far from the written time the jump landed. The burst's pitch tells its
// second, so a jump a whole second off is caught too.
#include "core/engine/engine.h"
#include "core/engine/mpv_engine.h"
#include "support/audio_fixtures.h"
#include "support/engine_open.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <random>

using namespace fixtures;

namespace {

constexpr int Rate = 16000;
constexpr int ChunkBursts = 7; // seconds in the chunk, one burst each
constexpr int RecordingHours = 8;
constexpr double BurstSeconds = 0.08;
constexpr int Jumps = 12;

double burstFrequency(int second) {
    return 600 + 150 * second;
}

std::vector<float> chunkSamples() {
    std::vector<float> out;
    for (int s = 0; s < ChunkBursts; ++s) {
        out = concat(out, sine(burstFrequency(s), BurstSeconds, Rate, 0.6f));
        // Quiet noise of a different level each second, so the bit rate varies.
        out = concat(out, noise(1 - BurstSeconds, Rate, 0.005f + 0.01f * s, s + 1));
    }
    return out;
}

// The first sample from `from` on where a burst starts.
std::optional<std::size_t> onset(const PcmAudio& audio, std::size_t from = 0) {
    for (std::size_t i = from; i < audio.samples.size(); ++i)
        if (std::fabs(audio.samples[i]) > 0.3f)
            return i;
    return std::nullopt;
}

struct Recording {
    QString path;
    double chunkSeconds = 0;
    std::vector<double> bursts; // each burst's start within a chunk, decoded
    int chunks = 0;
};

std::optional<Recording> makeRecording(const QTemporaryDir& dir) {
    const QString folder = QStringLiteral(MEMOTAP_BINARY_DIR "/bench-recordings");
    QDir().mkpath(folder);
    const QString wav = dir.filePath("chunk.wav");
    const QString chunk = folder + "/stamps-chunk.mp3";
    const QString decoded = dir.filePath("decoded.wav");
    if (!writeWav(wav, chunkSamples(), Rate) || !encodeMp3(wav, chunk, {"-V", "4", "-t"}) ||
        hasVbrHeader(chunk) ||
        !runTool("ffmpeg", {"-nostdin", "-loglevel", "error", "-y", "-i", chunk, decoded}))
        return std::nullopt;
    const auto audio = readWav(decoded);
    if (!audio)
        return std::nullopt;
    Recording r;
    r.path = folder + "/stamps-vbr-noheader-8h.mp3";
    r.chunkSeconds = audio->seconds();
    for (std::size_t from = 0; r.bursts.size() < ChunkBursts;) {
        const auto at = onset(*audio, from);
        if (!at)
            return std::nullopt;
        r.bursts.push_back(static_cast<double>(*at) / audio->rate);
        from = *at + static_cast<std::size_t>(0.5 * audio->rate);
    }
    r.chunks = static_cast<int>(std::ceil(RecordingHours * 3600 / r.chunkSeconds));
    QFile in(chunk);
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = in.readAll();
    QFile out(r.path);
    if (out.size() != bytes.size() * r.chunks) {
        if (!out.open(QIODevice::WriteOnly))
            return std::nullopt;
        for (int i = 0; i < r.chunks; ++i)
            out.write(bytes);
    }
    return r;
}

void waitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Jumps to targetMs as the player does (open, play, seek, pause, then on) and
// returns where the first burst heard lies on the decoded timeline, less
// where it should: nothing when no burst was heard.
std::optional<double> landing(const Recording& r, std::int64_t targetMs, const QString& pcm,
                              bool& pitchRight) {
    auto engine =
        std::make_unique<MpvEngine>(MpvOutput{MpvOutput::Kind::PcmFile, pcm.toStdString()});
    MpvEngine& ref = *engine;
    setEngineBackend(std::move(engine));
    StartEngine();
    EngineFileInfo info{};
    if (!OpenedInEngine(QFile::encodeName(r.path), info))
        return std::nullopt;
    // Once the frames are counted: a jump during the count may reload the
    // file, which the engine benchmark measures.
    waitFor([&] { return !ref.walking(); }, 300000);
    vbmp3_play();
    vbmp3_seekMs(targetMs);
    vbmp3_pause();
    waitFor([&] { return !ref.seekPending(); }, 30000);
    vbmp3_restart();
    // The PCM output takes samples as fast as they are decoded.
    waitFor([] { return false; }, 700);
    vbmp3_free();
    setEngineBackend(nullptr);
    const auto heard = readWav(pcm);
    QFile::remove(pcm);
    if (!heard)
        return std::nullopt;
    const auto at = onset(*heard);
    if (!at)
        return std::nullopt;
    std::printf("  heard %.3f s at %d Hz, first burst after %.4f s\n", heard->seconds(),
                heard->rate, static_cast<double>(*at) / heard->rate);
    const double absolute = targetMs / 1000.0 + static_cast<double>(*at) / heard->rate;
    // The burst heard, by its pitch.
    const std::size_t window = static_cast<std::size_t>(0.04 * heard->rate);
    double strongest = 0;
    int second = 0;
    for (int s = 0; s < ChunkBursts; ++s) {
        const double power = tonePower(*heard, *at, window, burstFrequency(s));
        if (power > strongest) {
            strongest = power;
            second = s;
        }
    }
    // Where that burst lies nearest to where it was heard: the landing is
    // off by the difference.
    const int chunkIndex = static_cast<int>(std::floor(absolute / r.chunkSeconds));
    double best = 1e9;
    double nearestAny = 1e9;
    for (int c = chunkIndex - 1; c <= chunkIndex + 1; ++c)
        for (int s = 0; s < ChunkBursts; ++s) {
            const double error = absolute - (c * r.chunkSeconds + r.bursts[s]);
            if (s == second && std::fabs(error) < std::fabs(best))
                best = error;
            nearestAny = std::fabs(error) < std::fabs(nearestAny) ? error : nearestAny;
        }
    pitchRight = std::fabs(best - nearestAny) < 1e-9;
    // Heard later than it lies: the jump landed before the written time.
    return -best;
}

void JumpAccuracy8hHeaderlessVbr(benchmark::State& state) {
    QTemporaryDir dir;
    const auto recording = makeRecording(dir);
    if (!recording) {
        state.SkipWithError("could not make the recording");
        return;
    }
    std::mt19937 random(23);
    std::uniform_int_distribution<std::int64_t> target(0, RecordingHours * 3600 * 1000LL - 5000);
    std::vector<double> errors;
    int wrongSecond = 0;
    int failed = 0;
    for (auto _ : state) {
        for (int i = 0; i < Jumps; ++i) {
            // The first jump near the start, the last near the end.
            const std::int64_t ms = i == 0           ? 1234
                                    : i == Jumps - 1 ? RecordingHours * 3600 * 1000LL - 4321
                                                     : target(random);
            bool pitchRight = false;
            const auto error = landing(*recording, ms, dir.filePath("heard.wav"), pitchRight);
            if (!error) {
                ++failed;
                std::printf("jump to %.3f s: nothing heard\n", ms / 1000.0);
                continue;
            }
            wrongSecond += pitchRight ? 0 : 1;
            errors.push_back(*error * 1000);
            std::printf("jump to %.3f s: landed %+.1f ms from it%s\n", ms / 1000.0, *error * 1000,
                        pitchRight ? "" : " (nearer another burst)");
        }
    }
    double worst = 0;
    for (double e : errors)
        worst = std::max(worst, std::fabs(e));
    state.counters["worst_ms"] = worst;
    state.counters["wrong_second"] = wrongSecond;
    state.counters["nothing_heard"] = failed;
}

} // namespace

BENCHMARK(JumpAccuracy8hHeaderlessVbr)->Iterations(1)->Unit(benchmark::kMillisecond);
