// Engine figures on nine-hour recordings made at bench time (and kept in the
// build folder): how long vbmp3_open takes until the file is ready, how many
// bytes of the file it read, how long until the exact length is known, and
// how long a seek takes while playing.
//
// Bytes read: the file's pages are dropped from the page cache with
// posix_fadvise(DONTNEED) before each open, and the pages resident after it
// are counted with mincore. The page cache reads ahead, so the figure is what
// the disk delivered, an upper bound of what the engine asked for.
//
// Seek latency is measured from the vbmp3_seek call until libmpv reports
// playback restarted at the target (MPV_EVENT_PLAYBACK_RESTART, which libmpv
// sends right after handing the first decoded audio of the new position to
// the audio output), as seen by the engine on the Qt thread. Output goes to
// libmpv's null output, which consumes audio in real time like a sound card.
//
// This file also holds the benchmark program's main(): it creates the
// QApplication the engine's event handling needs and runs every benchmark
// registered in bench/ with BENCHMARK().
#include "core/engine/engine.h"
#include "core/engine/mpv_engine.h"
#include "support/audio_fixtures.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/mman.h>
#include <unistd.h>

using namespace fixtures;

namespace {

constexpr int RecordingSeconds = 9 * 60 * 60;
constexpr int ChunkSeconds = 60;
constexpr int SeekCount = 100;

struct Recording {
    const char* name;
    QString path;
    double trueSeconds = 0;
};

// Speech-like material: bursts of noise and tone with pauses.
std::vector<float> speechLike(int seconds, int rate) {
    std::vector<float> samples;
    for (int s = 0; s < seconds; ++s) {
        auto part = s % 3 == 2
                        ? silence(1, rate)
                        : mix(noise(1, rate, 0.2f, s + 1), sine(200 + 20 * (s % 7), 1, rate, 0.2f));
        samples.insert(samples.end(), part.begin(), part.end());
    }
    return samples;
}

// Decoded length of a file, by FFmpeg decoding it whole.
std::optional<double> decodedSeconds(const QString& path, const QTemporaryDir& dir) {
    const QString wav = dir.filePath("decoded.wav");
    if (!runTool("ffmpeg", {"-nostdin", "-loglevel", "error", "-y", "-i", path, wav}))
        return std::nullopt;
    const auto audio = readWav(wav);
    QFile::remove(wav);
    return audio ? std::optional<double>(audio->seconds()) : std::nullopt;
}

// The same MPEG chunk many times over: valid MPEG audio, since each chunk
// starts with an empty bit reservoir.
bool repeatFile(const QString& chunk, const QString& out, int times) {
    QFile in(chunk);
    QFile file(out);
    if (!in.open(QIODevice::ReadOnly) || !file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = in.readAll();
    for (int i = 0; i < times; ++i)
        if (file.write(bytes) != bytes.size())
            return false;
    return true;
}

// Where the recordings are kept between runs.
QString cacheFolder() {
    const QString folder = QStringLiteral(MEMOTAP_BINARY_DIR "/bench-recordings");
    QDir().mkpath(folder);
    return folder;
}

// The finished file appears under its name only once complete.
bool publish(const QString& partial, const QString& out) {
    QFile::remove(out);
    return QFile::rename(partial, out);
}

// 64 kbit/s at 44.1 kHz: 2205 frames fill exactly 460800 bytes, after
// which the encoder's padding starts over; a chunk cut there repeats into
// one stream of constant bit rate whose every frame lies on the CBR grid.
constexpr qint64 CbrCutBytes = 460800;
constexpr double CbrCutSeconds = 2205 * 1152 / 44100.0;

std::optional<double> cutToCbrGrid(const QString& chunk) {
    QFile file(chunk);
    if (file.size() < CbrCutBytes || !file.resize(CbrCutBytes))
        return std::nullopt;
    return CbrCutSeconds;
}

std::optional<Recording> makeMp3(const QTemporaryDir& dir, const char* name,
                                 const QStringList& lame, bool cbrGrid = false) {
    const QString wav = dir.filePath("chunk.wav");
    const QString chunk = dir.filePath(QString(name) + "-chunk.mp3");
    const QString out = cacheFolder() + "/" + name + ".mp3";
    const QString lengthFile = out + ".seconds";
    if (QFile lengthIn(lengthFile); QFile::exists(out) && lengthIn.open(QIODevice::ReadOnly))
        return Recording{name, out, lengthIn.readAll().toDouble()};
    // -t: no Xing/Info frame, whose frame count would only describe one chunk.
    if (!writeWav(wav, speechLike(ChunkSeconds, 44100), 44100) ||
        !encodeMp3(wav, chunk, lame + QStringList{"-t"}))
        return std::nullopt;
    const auto chunkSeconds = cbrGrid ? cutToCbrGrid(chunk) : decodedSeconds(chunk, dir);
    if (!chunkSeconds)
        return std::nullopt;
    const auto times = static_cast<int>(std::ceil(RecordingSeconds / *chunkSeconds));
    if (!repeatFile(chunk, out + ".part", times) || !publish(out + ".part", out))
        return std::nullopt;
    const double seconds = *chunkSeconds * times;
    QFile lengthOut(lengthFile);
    if (!lengthOut.open(QIODevice::WriteOnly) ||
        lengthOut.write(QByteArray::number(seconds, 'f', 6)) < 0)
        return std::nullopt;
    return Recording{name, out, seconds};
}

// 16 kHz mono 16-bit PCM, written a minute at a time.
std::optional<Recording> makeWav(const QTemporaryDir& dir) {
    constexpr int Rate = 16000;
    const QString out = cacheFolder() + "/wav16k.wav";
    if (QFileInfo(out).size() == 44 + std::int64_t{RecordingSeconds} * Rate * 2)
        return Recording{"wav16k", out, static_cast<double>(RecordingSeconds)};
    const QString chunkPath = dir.filePath("wav-chunk.wav");
    if (!writeWav(chunkPath, speechLike(ChunkSeconds, Rate), Rate))
        return std::nullopt;
    QFile chunkFile(chunkPath);
    if (!chunkFile.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray pcm = chunkFile.readAll().mid(44);
    QFile file(out + ".part");
    if (!file.open(QIODevice::WriteOnly))
        return std::nullopt;
    const std::uint32_t dataBytes =
        static_cast<std::uint32_t>(pcm.size()) * (RecordingSeconds / ChunkSeconds);
    QByteArray header;
    auto put = [&header](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            header.append(static_cast<char>((value >> (8 * i)) & 0xff));
    };
    header.append("RIFF");
    put(36 + dataBytes, 4);
    header.append("WAVEfmt ");
    put(16, 4);
    put(1, 2);
    put(1, 2);
    put(Rate, 4);
    put(Rate * 2, 4);
    put(2, 2);
    put(16, 2);
    header.append("data");
    put(dataBytes, 4);
    file.write(header);
    for (int i = 0; i < RecordingSeconds / ChunkSeconds; ++i)
        if (file.write(pcm) != pcm.size())
            return std::nullopt;
    file.close();
    if (!publish(out + ".part", out))
        return std::nullopt;
    return Recording{"wav16k", out, static_cast<double>(RecordingSeconds)};
}

MpvEngine& installEngine() {
    auto engine = std::make_unique<MpvEngine>(MpvOutput{MpvOutput::Kind::Null, {}});
    MpvEngine& ref = *engine;
    setEngineBackend(std::move(engine));
    vbmp3_init();
    return ref;
}

// Drops the file's pages from the page cache.
bool evict(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = fdatasync(fd) == 0 && posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0;
    ::close(fd);
    return ok;
}

// Bytes of the file in the page cache.
std::optional<std::int64_t> residentBytes(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    const off_t size = lseek(fd, 0, SEEK_END);
    void* map = size > 0 ? mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0) : MAP_FAILED;
    ::close(fd);
    if (map == MAP_FAILED)
        return std::nullopt;
    const long page = sysconf(_SC_PAGESIZE);
    std::vector<unsigned char> pages((size + page - 1) / page);
    const bool ok = mincore(map, size, pages.data()) == 0;
    munmap(map, size);
    if (!ok)
        return std::nullopt;
    return std::count_if(pages.begin(), pages.end(), [](unsigned char p) { return p & 1; }) *
           std::int64_t{page};
}

template <typename T> T median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? T{} : values[values.size() / 2];
}

// Each iteration opens the file from a cold page cache.
void benchOpen(benchmark::State& state, const Recording& recording) {
    MpvEngine& engine = installEngine();
    const QByteArray path = QFile::encodeName(recording.path);
    EngineFileInfo info{};
    std::vector<double> readKiB, exactMs, openedTotal;
    std::int32_t exactTotal = 0;
    for (auto _ : state) {
        vbmp3_close();
        if (!evict(recording.path)) {
            state.SkipWithError("cannot drop the file from the page cache");
            break;
        }
        const auto start = std::chrono::steady_clock::now();
        const bool opened = vbmp3_open(path.constData(), &info) != 0;
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (!opened) {
            state.SkipWithError("open failed");
            break;
        }
        state.SetIterationTime(took.count());
        readKiB.push_back(static_cast<double>(residentBytes(recording.path).value_or(-1024)) /
                          1024);
        openedTotal.push_back(info.TotalSeconds);
        // The exact length: at once, or when the walk reports it.
        exactTotal = info.TotalSeconds;
        while (engine.walking())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        vbmp3_takeExactLength(&exactTotal);
        const std::chrono::duration<double, std::milli> exact =
            std::chrono::steady_clock::now() - start;
        exactMs.push_back(exact.count());
    }
    const auto estimate = ffprobeSeconds(recording.path);
    state.counters["read_KiB"] = median(readKiB);
    state.counters["exact_length_ms"] = median(exactMs);
    state.counters["TotalSeconds"] = exactTotal;
    // The counters above print rounded to thousands; the exact figures:
    std::printf("%s: %.1f MB; open read %.0f KiB (median of cold opens); TotalSeconds %d at "
                "open, %d exact after %.0f ms; true length %.2f s, FFmpeg's own estimate %.2f s\n",
                recording.name, QFileInfo(recording.path).size() / 1e6, median(readKiB),
                static_cast<int>(median(openedTotal)), exactTotal, median(exactMs),
                recording.trueSeconds, estimate.value_or(-1));
    vbmp3_free();
    setEngineBackend(nullptr);
}

void waitForSeek(MpvEngine& engine) {
    while (engine.seekPending())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

void playFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, ms);
}

void benchSeek(benchmark::State& state, const Recording& recording) {
    MpvEngine& engine = installEngine();
    EngineFileInfo info{};
    if (!vbmp3_open(QFile::encodeName(recording.path).constData(), &info)) {
        state.SkipWithError("open failed");
        return;
    }
    vbmp3_play();
    playFor(200);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> target(0, info.TotalSeconds - 5);
    std::vector<double> latencies;
    for (auto _ : state) {
        latencies.clear();
        for (int i = 0; i < SeekCount; ++i) {
            const int seconds = target(random);
            const auto start = std::chrono::steady_clock::now();
            vbmp3_seek(seconds);
            waitForSeek(engine);
            const std::chrono::duration<double, std::milli> took =
                std::chrono::steady_clock::now() - start;
            latencies.push_back(took.count());
            playFor(50);
        }
        double total = 0;
        for (double l : latencies)
            total += l;
        state.SetIterationTime(total / 1000);
    }
    std::sort(latencies.begin(), latencies.end());
    state.counters["median_ms"] = latencies[latencies.size() / 2];
    state.counters["p95_ms"] = latencies[latencies.size() * 95 / 100];
    state.counters["max_ms"] = latencies.back();
    vbmp3_free();
    setEngineBackend(nullptr);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setlocale(LC_NUMERIC, "C");
    benchmark::Initialize(&argc, argv);

    QTemporaryDir dir;
    std::vector<Recording> recordings;
    std::fprintf(stderr, "bench_engine: making (or reusing) nine-hour recordings in %s\n",
                 qPrintable(dir.path()));
    for (auto made : {makeMp3(dir, "mp3cbr64", {"-b", "64", "--cbr"}, true),
                      makeMp3(dir, "mp3vbr-noheader", {"-V", "4"}), makeWav(dir)}) {
        if (!made) {
            std::fprintf(stderr, "bench_engine: could not make a recording\n");
            return 1;
        }
        recordings.push_back(*made);
    }
    for (const Recording& r : recordings) {
        benchmark::RegisterBenchmark((std::string("EngineOpen9hCold/") + r.name).c_str(),
                                     [r](benchmark::State& s) { benchOpen(s, r); })
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(5);
        benchmark::RegisterBenchmark((std::string("EngineSeekWhilePlaying/") + r.name).c_str(),
                                     [r](benchmark::State& s) { benchSeek(s, r); })
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
