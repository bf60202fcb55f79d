// Start-up and memory of the real player: process start to its main window
// mapped on a private X server with the last file reopened, and the resident
// memory of the running player with that file open. Beside it, the same for
// Parlatype, started alternately in one run on a 30-minute and a nine-hour
// MP3 (scripts/run-bench installs it where it can).
//
// The window is seen through X itself: a viewable top-level window whose
// title names the file (the window is shown before the reopen, and named
// when the file is open).
#include "core/textfile.h"
#include "recordings.h"
#include "support/audio_fixtures.h"
#include "support/private_bus.h"
#include "support/xsession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace {

const char* DefaultKeyFile = "1,0,2,0,0,32,15,\"[Ctrl]+[Space]\",1\r\n"
                             "2,0,2,0,0,37,22,\"[Ctrl]+[←]\",1\r\n"
                             "3,0,2,0,0,39,24,\"[Ctrl]+[→]\",1\r\n"
                             "4,0,2,0,0,29,14,\"[Ctrl]+[無変換]\",1\r\n"
                             "5,0,2,0,0,38,23,\"[Ctrl]+[↑]\",1\r\n"
                             "6,0,2,0,0,40,25,\"[Ctrl]+[↓]\",1\r\n"
                             "7,0,2,0,0,33,20,\"[Ctrl]+[PageUp]\",1\r\n"
                             "8,0,2,0,0,34,21,\"[Ctrl]+[PageDown]\",1\r\n"
                             "9,1,2,0,0,32,15,\"[Alt]+[Ctrl]+[Space]\",1\r\n";

QByteArray settingsWithRecording(const QString& path) {
    QString text = QStringLiteral("0,0,1\r\n\"%1\",600\r\n").arg(path);
    for (int i = 0; i < 4; ++i)
        text += "\"\",0\r\n";
    text += "100,3,10,4,4\r\n1\r\n0,0,0,\"黒\"\r\n0,0\r\n";
    return textfile::encode(text);
}

QString windowTitle(xcb_connection_t* c, xcb_window_t w) {
    const char* name = "_NET_WM_NAME";
    auto* atomReply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    if (!atomReply)
        return {};
    const xcb_atom_t atom = atomReply->atom;
    std::free(atomReply);
    auto* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 256), nullptr);
    if (!reply)
        return {};
    const QString title = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply)),
                                            xcb_get_property_value_length(reply));
    std::free(reply);
    return title;
}

// One figure of /proc/<pid>/smaps_rollup in megabytes ("Rss", "Pss",
// "Anonymous"): most of the resident set is shared library pages, so the
// proportional and the private anonymous figures are reported beside it.
double memoryMegabytes(qint64 pid, const QByteArray& field) {
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!rollup.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : rollup.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').first().toLong() / 1024.0;
    return -1;
}

// Waits until a viewable top-level window whose title contains text exists,
// polling the window tree: the same test for any program, whenever it sets
// its title. The elapsed milliseconds since timer started, or -1.
double waitForViewableWindow(xcb_connection_t* c, const QString& text, const QElapsedTimer& timer,
                             int timeoutMs) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    while (timer.elapsed() < timeoutMs) {
        auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
        const int count = tree ? xcb_query_tree_children_length(tree) : 0;
        const xcb_window_t* children = tree ? xcb_query_tree_children(tree) : nullptr;
        bool found = false;
        for (int i = 0; i < count && !found; ++i) {
            auto* attributes = xcb_get_window_attributes_reply(
                c, xcb_get_window_attributes(c, children[i]), nullptr);
            const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
            std::free(attributes);
            found = viewable && windowTitle(c, children[i]).contains(text);
        }
        std::free(tree);
        if (found)
            return timer.nsecsElapsed() / 1e6;
        QThread::usleep(1000);
    }
    return -1;
}

void BM_StartupWithLastFile(benchmark::State& state) {
    XSession x;
    QTemporaryDir audioDir;
    const QString recording = audioDir.filePath("meeting.wav");
    if (!x.ok() || !fixtures::writeWav(recording, fixtures::sine(440, 20 * 60, 16000), 16000)) {
        state.SkipWithError("no X server or no recording");
        return;
    }
    xcb_connection_t* c = xcb_connect(x.display().toLatin1().constData(), nullptr);

    std::vector<double> startups;
    std::vector<double> memory;
    std::vector<double> proportional;
    std::vector<double> anonymous;
    for (auto _ : state) {
        PlayerRun player(x);
        player.writeFile("hMEMOTAP.txt", settingsWithRecording(recording));
        player.writeFile("hMEMKEY.txt", textfile::encode(QString::fromUtf8(DefaultKeyFile)));
        QElapsedTimer timer;
        timer.start();
        player.start();
        const double ms = waitForViewableWindow(c, "meeting.wav - メモタップ", timer, 15000);
        if (ms < 0) {
            state.SkipWithError("the window with the reopened file did not appear");
            break;
        }
        state.SetIterationTime(ms / 1000.0);
        startups.push_back(ms);
        QThread::msleep(1500);
        const qint64 pid = player.process().processId();
        memory.push_back(memoryMegabytes(pid, "Rss"));
        proportional.push_back(memoryMegabytes(pid, "Pss"));
        anonymous.push_back(memoryMegabytes(pid, "Anonymous"));
        player.terminate();
        player.waitForExit();
    }
    xcb_disconnect(c);
    if (startups.empty())
        return;
    std::sort(startups.begin(), startups.end());
    for (auto* figures : {&memory, &proportional, &anonymous})
        std::sort(figures->begin(), figures->end());
    state.counters["startup_median_ms"] = startups[startups.size() / 2];
    state.counters["startup_max_ms"] = startups.back();
    state.counters["rss_median_MB"] = memory[memory.size() / 2];
    state.counters["rss_max_MB"] = memory.back();
    state.counters["pss_median_MB"] = proportional[proportional.size() / 2];
    state.counters["anon_median_MB"] = anonymous[anonymous.size() / 2];
}
BENCHMARK(BM_StartupWithLastFile)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

struct Run {
    double startupMs = -1;
    double rss = -1;
    double pss = -1;
};

double median(std::vector<double> figures) {
    if (figures.empty())
        return -1;
    std::sort(figures.begin(), figures.end());
    return figures[figures.size() / 2];
}

Run measureMemotap(const XSession& x, xcb_connection_t* c, const QString& bus,
                   const QString& recording) {
    PlayerRun player(x);
    // The same desktop for both: a session bus, as a desktop has.
    if (!bus.isEmpty())
        player.environment().insert("DBUS_SESSION_BUS_ADDRESS", bus);
    player.writeFile("hMEMOTAP.txt", settingsWithRecording(recording));
    player.writeFile("hMEMKEY.txt", textfile::encode(QString::fromUtf8(DefaultKeyFile)));
    QElapsedTimer timer;
    timer.start();
    player.start();
    Run run;
    run.startupMs = waitForViewableWindow(c, QFileInfo(recording).fileName(), timer, 20000);
    QThread::msleep(1500);
    const qint64 pid = player.process().processId();
    run.rss = memoryMegabytes(pid, "Rss");
    run.pss = memoryMegabytes(pid, "Pss");
    player.terminate();
    player.waitForExit();
    return run;
}

Run measureParlatype(const XSession& x, xcb_connection_t* c, const QString& bus,
                     const QString& recording) {
    QTemporaryDir home;
    QProcessEnvironment env = x.environment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", bus);
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("XDG_DATA_HOME", home.filePath("data"));
    env.insert("XDG_CACHE_HOME", home.filePath("cache"));
    env.insert("NO_AT_BRIDGE", "1");
    env.insert("GSETTINGS_BACKEND", "memory");
    QProcess parlatype;
    parlatype.setProcessEnvironment(env);
    parlatype.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer timer;
    timer.start();
    parlatype.start("parlatype", {recording});
    Run run;
    run.startupMs = waitForViewableWindow(c, QFileInfo(recording).fileName(), timer, 20000);
    QThread::msleep(1500);
    run.rss = memoryMegabytes(parlatype.processId(), "Rss");
    run.pss = memoryMegabytes(parlatype.processId(), "Pss");
    parlatype.terminate();
    if (!parlatype.waitForFinished(5000)) {
        parlatype.kill();
        parlatype.waitForFinished(5000);
    }
    return run;
}

void benchBesideParlatype(benchmark::State& state, const Recording& recording) {
    XSession x;
    if (!x.ok()) {
        state.SkipWithError("no X server");
        return;
    }
    const bool withParlatype = !QStandardPaths::findExecutable("parlatype").isEmpty();
    // A session bus of its own, which Parlatype needs to start.
    PrivateBus bus;
    if (withParlatype && bus.address().isEmpty()) {
        state.SkipWithError("no session bus for Parlatype");
        return;
    }
    if (!withParlatype)
        std::fprintf(stderr, "bench: Parlatype is not installed (scripts/run-bench installs it "
                             "as root where Debian's packages are reachable); memotap alone\n");
    xcb_connection_t* c = xcb_connect(x.display().toLatin1().constData(), nullptr);
    std::vector<double> ours, theirs, ourRss, ourPss, theirRss, theirPss;
    for (auto _ : state) {
        const Run run = measureMemotap(x, c, bus.address(), recording.path);
        if (run.startupMs < 0) {
            state.SkipWithError("memotap's window with the file did not appear");
            break;
        }
        state.SetIterationTime(run.startupMs / 1000.0);
        ours.push_back(run.startupMs);
        ourRss.push_back(run.rss);
        ourPss.push_back(run.pss);
        if (!withParlatype)
            continue;
        const Run other = measureParlatype(x, c, bus.address(), recording.path);
        if (other.startupMs < 0) {
            state.SkipWithError("Parlatype's window with the file did not appear");
            break;
        }
        theirs.push_back(other.startupMs);
        theirRss.push_back(other.rss);
        theirPss.push_back(other.pss);
    }
    xcb_disconnect(c);
    state.counters["memotap_median_ms"] = median(ours);
    state.counters["memotap_rss_MB"] = median(ourRss);
    state.counters["memotap_pss_MB"] = median(ourPss);
    if (theirs.empty())
        return;
    state.counters["parlatype_median_ms"] = median(theirs);
    state.counters["parlatype_rss_MB"] = median(theirRss);
    state.counters["parlatype_pss_MB"] = median(theirPss);
    state.counters["ratio"] = median(ours) / median(theirs);
}

// The recordings are made once, before the first run, and kept.
const int registered = [] {
    static QTemporaryDir dir;
    for (auto [name, seconds] : {std::pair{"talk30min", 30 * 60}, std::pair{"mp3cbr64", 0}}) {
        benchmark::RegisterBenchmark(
            (std::string("StartupBesideParlatype/") + name).c_str(),
            [name, seconds](benchmark::State& state) {
                const auto made = seconds ? makeMp3(dir, name, {"-b", "64", "--cbr"}, true, seconds)
                                          : makeMp3(dir, name, {"-b", "64", "--cbr"}, true);
                if (!made) {
                    state.SkipWithError("could not make the recording");
                    return;
                }
                benchBesideParlatype(state, *made);
            })
            ->UseManualTime()
            ->Iterations(7)
            ->Unit(benchmark::kMillisecond);
    }
    return 0;
}();

} // namespace

// A program of its own, which loads no libmpv: see bench/CMakeLists.txt.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
