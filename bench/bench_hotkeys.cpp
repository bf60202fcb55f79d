// Hotkey latency on a private X server.
//
// HotkeyToEngineCommand: from the X server's key press event to the first
// engine call of the command, through the X11 key grab, the dispatch on the
// hooked main window and TogglePlayPause. Three figures: from the event's
// server timestamp (whole milliseconds of the server's monotonic clock, the
// same clock as the benchmark's), from the moment the program reads the event
// (microseconds), and from the moment the press is handed to xdotool (which
// reads commands from a pipe, so no process start is timed).
//
// HotkeyToFirstSound: the real player with the real engine playing into a
// PulseAudio null sink; from the key press handed to xdotool to the
// first loud sample read back from the sink's monitor. The monitor's own
// capture latency is included, so the figure is an upper bound.
#include "core/commands.h"
#include "core/hotkeys/keyfile.h"
#include "core/textfile.h"
#include "inputs/hotkey_backend_x11.h"
#include "latency.h"
#include "sound_monitor.h"
#include "support/fake_engine.h"
#include "support/xsession.h"
#include "ui/frmMain.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>
#include <xcb/xcb.h>

namespace {

using namespace bench;

// xdotool taking one command per line from a pipe.
class KeyTyper {
  public:
    explicit KeyTyper(const XSession& x) {
        process_.setProcessEnvironment(x.environment());
        process_.start("xdotool", {"-"});
        process_.waitForStarted(5000);
    }
    ~KeyTyper() {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(3000))
            process_.kill();
    }
    bool ok() const { return process_.state() == QProcess::Running; }
    void key(const char* keys) {
        process_.write(QByteArray("key ") + keys + "\n");
        process_.waitForBytesWritten(1000);
    }

  private:
    QProcess process_;
};

void BM_HotkeyToEngineCommand(benchmark::State& state) {
    XSession x;
    xcb_connection_t* c = xcb_connect(x.display().toLocal8Bit().constData(), nullptr);
    KeyTyper typer(x);
    if (!x.ok() || xcb_connection_has_error(c) || !typer.ok()) {
        state.SkipWithError("no X server, connection or xdotool");
        xcb_disconnect(c);
        return;
    }
    auto engineOwner = std::make_unique<TimedEngine>();
    TimedEngine& engine = *engineOwner;
    setEngineBackend(std::move(engineOwner));
    engine.state = StatePaused;
    engine.totalSeconds = 600;
    modMain::FileInfo.TotalSeconds = 600;
    modMain::InstallDefaultHotKeys();

    auto form = std::make_unique<frmMain>();
    modMain::MainForm = form.get();
    modMain::FinishStartup();
    modMain::X11HotkeyBackend backend(c, 0);
    QObject::connect(&backend, &modMain::HotkeyBackend::pressed,
                     [](modMain::Long id) { modMain::ExecuteHotKey(id); });
    if (!backend.registerHotKey(1, 2, 32)) {
        state.SkipWithError("Ctrl+Space could not be grabbed");
        return;
    }

    std::vector<double> total;
    std::vector<double> inside;
    std::vector<double> fromServer;
    for (auto _ : state) {
        for (int press = 0; press < 200; ++press) {
            engine.firstCall.reset();
            std::optional<Clock::time_point> eventRead;
            xcb_timestamp_t serverTime = 0;
            const auto sent = Clock::now();
            typer.key("ctrl+space");
            while (!engine.firstCall && msSince(sent) < 2000) {
                xcb_generic_event_t* event = xcb_poll_for_event(c);
                if (!event)
                    continue;
                if ((event->response_type & 0x7F) == XCB_KEY_PRESS && !eventRead) {
                    eventRead = Clock::now();
                    serverTime = reinterpret_cast<xcb_key_press_event_t*>(event)->time;
                }
                backend.nativeEventFilter("xcb_generic_event_t", event, nullptr);
                std::free(event);
            }
            if (!engine.firstCall || !eventRead) {
                state.SkipWithError("a press did not reach the engine");
                break;
            }
            total.push_back(msSince(sent, *engine.firstCall));
            inside.push_back(msSince(*eventRead, *engine.firstCall));
            // The X server stamps events with its monotonic clock in ms.
            const auto commandMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                engine.firstCall->time_since_epoch());
            fromServer.push_back(static_cast<xcb_timestamp_t>(commandMs.count()) - serverTime);
            state.SetIterationTime(total.back() / 1000);
            // Lets xdotool finish the release before the next press.
            const auto settle = Clock::now();
            while (msSince(settle) < 60) {
                if (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
                    backend.nativeEventFilter("xcb_generic_event_t", event, nullptr);
                    std::free(event);
                }
            }
        }
    }
    reportLatencies(state, "server_event_to_command_", fromServer);
    reportLatencies(state, "read_to_command_", inside);
    reportLatencies(state, "xdotool_to_command_", total);

    backend.unregisterHotKey(1);
    modMain::ResetCommandsForTesting();
    modMain::MainForm = nullptr;
    form.reset();
    setEngineBackend(nullptr);
    xcb_disconnect(c);
}
BENCHMARK(BM_HotkeyToEngineCommand)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_HotkeyToFirstSound(benchmark::State& state) {
    XSession x;
    SoundServer sound;
    if (!x.ok() || !sound.ok()) {
        state.SkipWithError("no X server or sound server");
        return;
    }
    PlayerRun player(x);
    sound.addTo(player.environment());
    if (!MakeToneWav(player.path("tone.wav"), 120)) {
        state.SkipWithError("sox could not make the tone");
        return;
    }
    player.writeFile("hMEMOTAP.txt",
                     textfile::encode(QStringLiteral("0,0,1\r\n\"%1\",0\r\n\"\",0\r\n\"\",0\r\n"
                                                     "\"\",0\r\n\"\",0\r\n100,0,10,4,4\r\n1\r\n"
                                                     "0,0,0,\"黒\"\r\n0,0\r\n")
                                          .arg(player.path("tone.wav"))));
    modMain::InstallDefaultHotKeys();
    player.writeFile("hMEMKEY.txt", modMain::KeyFileBytes());
    player.start();
    KeyTyper typer(x);
    if (!x.waitForWindow("tone.wav - メモタップ$") || !WaitForOpened(x, player) || !typer.ok()) {
        state.SkipWithError("the player did not open the tone");
        return;
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    sound.addTo(env);
    SoundMonitor monitor(env);
    if (!monitor.ready()) {
        state.SkipWithError("the sink's monitor could not be read");
        return;
    }

    std::vector<double> latencies;
    for (auto _ : state) {
        for (int press = 0; press < 20; ++press) {
            const auto sent = Clock::now();
            typer.key("ctrl+space"); // play
            if (!monitor.waitForSound(true, 3000)) {
                state.SkipWithError("no sound after the press");
                break;
            }
            latencies.push_back(msSince(sent));
            state.SetIterationTime(latencies.back() / 1000);
            monitor.waitForSound(false, 300); // plays a little
            typer.key("ctrl+space");          // pause
            if (!monitor.waitForSound(false, 3000, 300)) {
                state.SkipWithError("the sound did not stop");
                break;
            }
        }
    }
    reportLatencies(state, "press_to_sound_", latencies);
}
BENCHMARK(BM_HotkeyToFirstSound)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
