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
#include "core/core_services.h"
#include "core/engine/engine.h"
#include "core/engine/mpv_engine.h"
#include "latency.h"
#include "recordings.h"
#include "support/audio_fixtures.h"
#include "support/engine_open.h"

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

constexpr int SeekCount = 100;

MpvEngine& installEngine() {
    auto engine = std::make_unique<MpvEngine>(MpvOutput{MpvOutput::Kind::Null, {}});
    MpvEngine& ref = *engine;
    setEngineBackend(std::move(engine));
    StartEngine();
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
        const bool opened = OpenedInEngine(path, info);
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
    if (!OpenedInEngine(QFile::encodeName(recording.path), info)) {
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
    bench::reportLatencies(state, "", latencies);
    vbmp3_free();
    setEngineBackend(nullptr);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Before the application and ending after it, as in the player.
    modMain::CoreServices services;
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
