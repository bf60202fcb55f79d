// Start-up and memory of the real player: process start to its main window
// mapped on a private X server with the last file reopened, and the resident
// memory of the running player with that file open.
//
// The window is seen through X itself: the benchmark listens for MapNotify on
// the root window and checks each mapped window's title, so the figure does
// not depend on polling.
#include "core/textfile.h"
#include "support/audio_fixtures.h"
#include "support/xsession.h"

#include <QElapsedTimer>
#include <QFile>
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

// Waits for a window whose title ends with the suffix to be mapped; the
// elapsed milliseconds since timer started, or -1.
double waitForMappedWindow(xcb_connection_t* c, const QString& suffix, const QElapsedTimer& timer,
                           int timeoutMs) {
    while (timer.elapsed() < timeoutMs) {
        xcb_generic_event_t* event = xcb_poll_for_event(c);
        if (!event) {
            QThread::usleep(200);
            continue;
        }
        const bool mapped = (event->response_type & ~0x80) == XCB_MAP_NOTIFY;
        const xcb_window_t window =
            mapped ? reinterpret_cast<xcb_map_notify_event_t*>(event)->window : 0;
        std::free(event);
        if (mapped && windowTitle(c, window).endsWith(suffix))
            return timer.nsecsElapsed() / 1e6;
    }
    return -1;
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

void BM_StartupWithLastFile(benchmark::State& state) {
    XSession x;
    QTemporaryDir audioDir;
    const QString recording = audioDir.filePath("meeting.wav");
    if (!x.ok() || !fixtures::writeWav(recording, fixtures::sine(440, 20 * 60, 16000), 16000)) {
        state.SkipWithError("no X server or no recording");
        return;
    }
    xcb_connection_t* c = xcb_connect(x.display().toLatin1().constData(), nullptr);
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);

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
        const double ms = waitForMappedWindow(c, " - メモタップ", timer, 15000);
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

} // namespace
