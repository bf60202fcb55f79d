// Pedal latency: from a report written to the pedal's device (a FIFO named by
// the device override, as MEMOTAP_PEDAL_DEVICE names it) to the engine's
// first call of the command it runs, through the reader's socket notifier,
// the report decoder, the pedal state machine and the command table. Presses
// (play) and releases (pause) alternate; both are counted.
#include "core/commands.h"
#include "core/pedals/pedal_settings.h"
#include "inputs/pedals/pedal_service_linux.h"
#include "latency.h"
#include "support/fake_engine.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace bench;

void BM_PedalReportToEngineCommand(benchmark::State& state) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pedal");
    if (!dir.isValid() || ::mkfifo(QFile::encodeName(fifo).constData(), 0600) != 0) {
        state.SkipWithError("no FIFO");
        return;
    }
    auto owner = std::make_unique<TimedEngine>();
    TimedEngine& engine = *owner;
    setEngineBackend(std::move(owner));
    engine.state = StatePaused;
    engine.position = 100;
    engine.totalSeconds = 600;
    modMain::FileInfo.TotalSeconds = 600;
    modMain::FinishStartup();
    modMain::pedals::Settings() = modMain::pedals::PedalSettings{};

    inputs::PedalSources sources;
    sources.deviceOverride = fifo;
    sources.watchHotplug = false;
    inputs::PedalService service(sources);
    service.Start();
    const int writer = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
    if (writer < 0) {
        state.SkipWithError("the pedal service did not open its FIFO");
        return;
    }
    std::vector<double> latencies;
    for (auto _ : state) {
        for (int report = 0; report < 1000; ++report) {
            engine.firstCall.reset();
            const char bytes[2] = {static_cast<char>(report % 2 == 0 ? 2 : 0), 0};
            const auto sent = Clock::now();
            if (::write(writer, bytes, 2) != 2) {
                state.SkipWithError("write to the FIFO failed");
                break;
            }
            while (!engine.firstCall && Clock::now() - sent < std::chrono::seconds(2))
                QCoreApplication::processEvents(QEventLoop::AllEvents);
            if (!engine.firstCall) {
                state.SkipWithError("a report did not reach the engine");
                break;
            }
            latencies.push_back(msSince(sent, *engine.firstCall));
            state.SetIterationTime(latencies.back() / 1000);
        }
    }
    ::close(writer);
    reportLatencies(state, "", latencies);
    modMain::ResetCommandsForTesting();
    setEngineBackend(nullptr);
}

} // namespace

BENCHMARK(BM_PedalReportToEngineCommand)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
