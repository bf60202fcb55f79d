// The command line's path: from the start of a `memotap --play-pause`
// process to the command running in the player. The player side is the real
// socket server and command table in this process (with the recording
// engine), so the figure is the client's start, its connection and the
// player's reading of the request, without the window.
#include "core/commands.h"
#include "core/remote/socket_path.h"
#include "core/single_instance.h"
#include "support/fake_engine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

void BM_CommandLineToPlayer(benchmark::State& state) {
    QTemporaryDir folder;
    const QString client = folder.filePath("memotap");
    if (!QFile::copy(QStringLiteral(MEMOTAP_EXE), client) ||
        !QDir().mkpath(folder.filePath(".runtime"))) {
        state.SkipWithError("cannot set up the client's folder");
        return;
    }
    QFile::setPermissions(client, QFile::ReadOwner | QFile::ExeOwner);
    QFile::setPermissions(folder.filePath(".runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray ownRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", folder.filePath(".runtime").toLocal8Bit());

    FakeEngine& engine = FakeEngine::install();
    engine.state = StatePaused;
    modMain::FinishStartup();
    SingleInstance player(remote::SocketPath(folder.path()));
    if (!player.listen()) {
        state.SkipWithError("cannot listen");
        return;
    }

    const QByteArray program = QFile::encodeName(client);
    char* argv[] = {const_cast<char*>(program.constData()), const_cast<char*>("--play-pause"),
                    nullptr};
    std::vector<double> latencies;
    for (auto _ : state) {
        engine.take();
        pid_t pid = 0;
        const auto started = Clock::now();
        if (posix_spawn(&pid, program.constData(), nullptr, nullptr, argv, environ) != 0) {
            state.SkipWithError("cannot start the client");
            break;
        }
        while (engine.calls.isEmpty() && msBetween(started, Clock::now()) < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        const auto ran = Clock::now();
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (engine.calls.isEmpty() || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the command did not reach the player");
            break;
        }
        latencies.push_back(msBetween(started, ran));
        state.SetIterationTime(latencies.back() / 1000);
    }
    if (!latencies.empty()) {
        std::sort(latencies.begin(), latencies.end());
        state.counters["median_ms"] = latencies[latencies.size() / 2];
        state.counters["max_ms"] = latencies.back();
        std::printf("memotap --play-pause, process start to the command in the player: "
                    "median %.1f ms (goal < 30 ms)\n",
                    latencies[latencies.size() / 2]);
    }
    modMain::ResetCommandsForTesting();
    setEngineBackend(nullptr);
    qputenv("XDG_RUNTIME_DIR", ownRuntime);
}
BENCHMARK(BM_CommandLineToPlayer)->UseManualTime()->Iterations(40)->Unit(benchmark::kMillisecond);

} // namespace
