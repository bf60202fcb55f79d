// Start-up of the player beside a bare Qt 6 Widgets window (built with the
// benchmarks) and Parlatype, each reopening the same recording, a 30-minute
// and a nine-hour MP3. All three run on one private X server, sound server and
// session bus, one after the other in turn, so that a busy machine slows all
// three alike.
//
// Figures, from the spawn of the program:
//   first map     the first top-level window of the process mapped, as an X
//                 client sees it: the same moment for any toolkit;
//   file in title the window's title names the file (both players name it
//                 as they begin to open it, from the command line or the
//                 history);
//   memory        RSS and PSS 1.5 s after that (PSS shares the libraries'
//                 pages among every process mapping them, on the machine too);
//   first sound   the player started with the file in its history and sent
//                 `memotap --play` the moment it listens for commands: until
//                 the null sink's monitor hears it.
//
//   memotap_bench_startup [--runs N]     (or MEMOTAP_STARTUP_RUNS=N; 9 runs)
#include "core/textfile.h"
#include "recordings.h"
#include "sound_monitor.h"
#include "startup/figures.h"
#include "startup/process_memory.h"
#include "startup/spawned.h"
#include "startup/window_watcher.h"
#include "support/private_bus.h"
#include "support/xsession.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <array>
#include <cstdio>
#include <dirent.h>
#include <sys/stat.h>

namespace {

using Clock = WindowWatcher::Clock;

constexpr int DefaultRuns = 9;
constexpr int TimeoutMs = 20000;
// Long enough for every program to have opened its file and settled.
constexpr int SettleMs = 1500;

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

const char* DefaultKeyFile = "1,0,2,0,0,32,15,\"[Ctrl]+[Space]\",1\r\n"
                             "2,0,2,0,0,37,22,\"[Ctrl]+[←]\",1\r\n"
                             "3,0,2,0,0,39,24,\"[Ctrl]+[→]\",1\r\n"
                             "4,0,2,0,0,29,14,\"[Ctrl]+[無変換]\",1\r\n"
                             "5,0,2,0,0,38,23,\"[Ctrl]+[↑]\",1\r\n"
                             "6,0,2,0,0,40,25,\"[Ctrl]+[↓]\",1\r\n"
                             "7,0,2,0,0,33,20,\"[Ctrl]+[PageUp]\",1\r\n"
                             "8,0,2,0,0,34,21,\"[Ctrl]+[PageDown]\",1\r\n"
                             "9,1,2,0,0,32,15,\"[Alt]+[Ctrl]+[Space]\",1\r\n";

// The history's last file at 10 minutes, where the recording is loud.
QByteArray settingsWithRecording(const QString& path) {
    QString text = QStringLiteral("0,0,1\r\n\"%1\",600\r\n").arg(path);
    for (int i = 0; i < 4; ++i)
        text += "\"\",0\r\n";
    text += "100,3,10,4,4\r\n1\r\n0,0,0,\"黒\"\r\n0,0\r\n";
    return textfile::encode(text);
}

int runCount(const QStringList& arguments) {
    QString count = qEnvironmentVariable("MEMOTAP_STARTUP_RUNS");
    const qsizetype option = arguments.indexOf(QStringLiteral("--runs"));
    if (option >= 0 && option + 1 < arguments.size())
        count = arguments[option + 1];
    bool ok = false;
    const int runs = count.toInt(&ok);
    return ok && runs > 0 ? runs : DefaultRuns;
}

// The desktop all programs start on.
struct Desktop {
    XSession x;
    SoundServer sound;
    PrivateBus bus;
    QTemporaryDir runtime;
    std::optional<WindowWatcher> watcher;

    QString problem() {
        if (!x.ok())
            return QStringLiteral("Xvfb did not start");
        if (!sound.ok())
            return QStringLiteral("the PulseAudio server did not start");
        if (bus.address().isEmpty())
            return QStringLiteral("the session bus did not start");
        if (!runtime.isValid())
            return QStringLiteral("no runtime folder");
        watcher.emplace(x.display());
        return watcher->ok() ? QString() : QStringLiteral("no X connection for the watcher");
    }
    QProcessEnvironment environment(QProcessEnvironment env) const {
        sound.addTo(env);
        env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
        return env;
    }
    // For the other programs: the desktop, and a runtime folder of their own
    // as the player has one.
    QProcessEnvironment programEnvironment() const {
        QProcessEnvironment env = environment(x.environment());
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        return env;
    }
};

struct Measured {
    Figures firstMap;
    Figures title;
    Figures rss;
    Figures pss;
};

// One start of a program: false (and the reason in `into`) when its window
// did not appear.
bool measureStart(Desktop& desktop, const QString& program, const QStringList& arguments,
                  const QProcessEnvironment& env, const QString& titleText, Measured& into) {
    desktop.watcher->drain();
    const auto start = Clock::now();
    Spawned process(program, arguments, env);
    if (process.pid() == 0) {
        into.firstMap.missing = QStringLiteral("%1 could not be started").arg(program);
        return false;
    }
    // In slices, so that a program that ends at once is not waited for.
    std::optional<WindowWatcher::Mapped> mapped;
    while (!mapped && !process.exitCode() && msBetween(start, Clock::now()) < TimeoutMs)
        mapped = desktop.watcher->waitForFirstMap(process.pid(), 100);
    if (!mapped) {
        into.firstMap.missing = process.exitCode()
                                    ? QStringLiteral("it ended with %1 before showing a window")
                                          .arg(*process.exitCode())
                                    : QStringLiteral("no window within %1 s").arg(TimeoutMs / 1000);
        return false;
    }
    into.firstMap.add(msBetween(start, mapped->at));
    if (!titleText.isEmpty()) {
        const auto titled = desktop.watcher->waitForTitle(mapped->window, titleText, TimeoutMs);
        if (titled)
            into.title.add(msBetween(start, *titled));
        else
            into.title.missing = QStringLiteral("the title never named the file");
    }
    QThread::msleep(SettleMs);
    if (const auto memory = ReadProcessMemory(process.pid())) {
        into.rss.add(memory->rssMb);
        into.pss.add(memory->pssMb);
    }
    return true;
}

// A player of its own for each start: the history names the recording.
std::unique_ptr<PlayerRun> preparePlayer(Desktop& desktop, const QString& recording) {
    auto player = std::make_unique<PlayerRun>(desktop.x);
    player->writeFile("hMEMOTAP.txt", settingsWithRecording(recording));
    player->writeFile("hMEMKEY.txt", textfile::encode(QString::fromUtf8(DefaultKeyFile)));
    player->environment() = desktop.environment(player->environment());
    return player;
}

bool startPlayer(Desktop& desktop, const QString& recording, Measured& into) {
    const auto player = preparePlayer(desktop, recording);
    return measureStart(desktop, player->executable(), {}, player->environment(),
                        QFileInfo(recording).fileName() + " - メモタップ", into);
}

bool startBareWindow(Desktop& desktop, const QString& recording, Measured& into) {
    return measureStart(desktop, QStringLiteral(MEMOTAP_BARE_WINDOW_EXE), {recording},
                        desktop.programEnvironment(), {}, into);
}

// Parlatype opens the file given on its command line (a GApplication, it
// needs the session bus); its settings stay in memory and its files in a
// home of its own.
bool startParlatype(Desktop& desktop, const QString& recording, Measured& into) {
    QTemporaryDir home;
    QProcessEnvironment env = desktop.programEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("XDG_DATA_HOME", home.filePath("data"));
    env.insert("XDG_CACHE_HOME", home.filePath("cache"));
    env.insert("NO_AT_BRIDGE", "1");
    env.insert("GSETTINGS_BACKEND", "memory");
    return measureStart(desktop, QStringLiteral("parlatype"), {recording}, env,
                        QFileInfo(recording).fileName(), into);
}

// Whether a listening socket exists in folder.
bool hasSocket(const QString& folder) {
    DIR* dir = opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return false;
    bool found = false;
    while (dirent* entry = readdir(dir)) {
        struct stat info {};
        const QByteArray path = QFile::encodeName(folder) + '/' + entry->d_name;
        found = found || (stat(path.constData(), &info) == 0 && S_ISSOCK(info.st_mode));
    }
    closedir(dir);
    return found;
}

struct SoundFigures {
    Figures listening;
    Figures answered;
    Figures sound;
};

// The player started with the file in its history, `memotap --play` sent as
// soon as its command socket exists; until the sink plays.
bool measureFirstSound(Desktop& desktop, SoundMonitor& monitor, const QString& recording,
                       SoundFigures& into) {
    if (!monitor.waitForSound(false, 5000, 300)) {
        into.sound.missing = QStringLiteral("the sink did not fall silent");
        return false;
    }
    const auto player = preparePlayer(desktop, recording);
    const QString runtime = player->path(".runtime");
    const auto start = Clock::now();
    Spawned process(player->executable(), {}, player->environment());
    while (!hasSocket(runtime) && msBetween(start, Clock::now()) < TimeoutMs)
        QThread::usleep(500);
    const auto listening = Clock::now();
    Spawned play(player->executable(), {"--play"}, player->environment());
    std::optional<Clock::time_point> answered;
    std::optional<Clock::time_point> heard;
    while ((!answered || !heard) && msBetween(start, Clock::now()) < TimeoutMs) {
        if (!heard && monitor.heardWithin(2))
            heard = Clock::now();
        if (!answered && play.exitCode()) {
            if (*play.exitCode() != 0) {
                into.sound.missing =
                    QStringLiteral("`memotap --play` ended with %1").arg(*play.exitCode());
                return false;
            }
            answered = Clock::now();
        }
    }
    if (!heard || !answered) {
        into.sound.missing = QStringLiteral("no sound within %1 s").arg(TimeoutMs / 1000);
        return false;
    }
    into.listening.add(msBetween(start, listening));
    into.answered.add(msBetween(start, *answered));
    into.sound.add(msBetween(start, *heard));
    return true;
}

QString parlatypeName() {
    QProcess version;
    version.start("dpkg-query", {"-W", "-f=${Version}", "parlatype"});
    version.waitForFinished(5000);
    const QString text = QString::fromUtf8(version.readAllStandardOutput()).section(u'-', 0, 0);
    return text.isEmpty() ? QStringLiteral("Parlatype") : "Parlatype " + text;
}

QString ratio(const Figures& ours, const Figures& theirs) {
    const auto a = ours.median();
    const auto b = theirs.median();
    return a && b ? QString::number(*a / *b, 'f', 2) : QStringLiteral("-");
}

enum Program { BareWindow, Parlatype, Player, ProgramCount };
using Recordings = std::array<Recording, 2>;
// Per program, per recording.
using Starts = std::array<std::array<Measured, 2>, ProgramCount>;

const std::array<QString, 2> RecordingNames = {QStringLiteral("30-min MP3"),
                                               QStringLiteral("9-h MP3")};

// Every column of a program says why it is empty.
void giveReason(std::array<Measured, 2>& program, const QString& reason) {
    for (Measured& m : program)
        for (Figures* f : {&m.firstMap, &m.title, &m.rss, &m.pss})
            if (f->values.empty())
                f->missing = reason;
}

Starts measureStarts(Desktop& desktop, const Recordings& recordings,
                     const std::array<QString, ProgramCount>& names, int runs) {
    using Start = bool (*)(Desktop&, const QString&, Measured&);
    const std::array<Start, ProgramCount> starts = {startBareWindow, startParlatype, startPlayer};
    Starts measured;
    std::array<bool, ProgramCount> failed{};
    if (QStandardPaths::findExecutable("parlatype").isEmpty()) {
        failed[Parlatype] = true;
        giveReason(measured[Parlatype], "parlatype is not installed (scripts/install-deps)");
    }
    for (int run = 0; run < runs; ++run) {
        for (int program = 0; program < ProgramCount; ++program) {
            // Each run starts with the next program: none always follows another.
            const int which = (run + program) % ProgramCount;
            for (std::size_t r = 0; r < recordings.size() && !failed[which]; ++r) {
                if (starts[which](desktop, recordings[r].path, measured[which][r]))
                    continue;
                failed[which] = true;
                const QString reason = measured[which][r].firstMap.missing;
                std::fprintf(stderr, "bench_startup: %s: %s\n", names[which].toUtf8().constData(),
                             reason.toUtf8().constData());
                giveReason(measured[which], reason);
            }
        }
    }
    return measured;
}

std::array<SoundFigures, 2> measureFirstSounds(Desktop& desktop, const Recordings& recordings,
                                               int runs) {
    std::array<SoundFigures, 2> sound;
    QProcessEnvironment monitorEnv = QProcessEnvironment::systemEnvironment();
    desktop.sound.addTo(monitorEnv);
    SoundMonitor monitor(monitorEnv);
    if (!monitor.ready()) {
        for (SoundFigures& figures : sound)
            figures.sound.missing = QStringLiteral("the sink's monitor could not be read");
        return sound;
    }
    for (int run = 0; run < runs; ++run)
        for (std::size_t r = 0; r < recordings.size(); ++r)
            if (sound[r].sound.missing.isEmpty())
                measureFirstSound(desktop, monitor, recordings[r].path, sound[r]);
    return sound;
}

void printReport(const std::array<QString, ProgramCount>& names, const Starts& measured,
                 const std::array<SoundFigures, 2>& sound, int runs) {
    auto header = [](const QString& what) {
        return std::vector<QString>{what, RecordingNames[0], RecordingNames[1]};
    };
    std::vector<std::vector<QString>> firstMap{header("first window mapped, ms")};
    std::vector<std::vector<QString>> titled{header("title names the file, ms")};
    std::vector<std::vector<QString>> memory{
        {"memory 1.5 s after, MB", RecordingNames[0] + " RSS", RecordingNames[0] + " PSS",
         RecordingNames[1] + " RSS", RecordingNames[1] + " PSS"}};
    for (int p = 0; p < ProgramCount; ++p) {
        const auto& m = measured[p];
        firstMap.push_back({names[p], m[0].firstMap.summary(), m[1].firstMap.summary()});
        if (p != BareWindow)
            titled.push_back({names[p], m[0].title.summary(), m[1].title.summary()});
        memory.push_back({names[p], m[0].rss.summary(1), m[0].pss.summary(1), m[1].rss.summary(1),
                          m[1].pss.summary(1)});
    }
    for (const Program other : {BareWindow, Parlatype})
        firstMap.push_back({"memotap / " + names[other],
                            ratio(measured[Player][0].firstMap, measured[other][0].firstMap),
                            ratio(measured[Player][1].firstMap, measured[other][1].firstMap)});
    std::vector<std::vector<QString>> playing{header("memotap --play at once, ms")};
    playing.push_back(
        {"command socket listening", sound[0].listening.summary(), sound[1].listening.summary()});
    playing.push_back(
        {"--play answered", sound[0].answered.summary(), sound[1].answered.summary()});
    playing.push_back(
        {"first sound on the sink", sound[0].sound.summary(), sound[1].sound.summary()});

    const QString from = QStringLiteral("from the spawn; median (min-max) of %1 runs").arg(runs);
    PrintTable("Start-up with the last file reopened, " + from, firstMap);
    PrintTable("The title names the file, " + from, titled);
    PrintTable("Memory of the running program, median (min-max)", memory);
    PrintTable("From the player's start to sound, " + from, playing);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = runCount(QCoreApplication::arguments());

    QTemporaryDir scratch;
    const auto shortOne = makeMp3(scratch, "talk30min", {"-b", "64", "--cbr"}, true, 30 * 60);
    const auto longOne = makeMp3(scratch, "mp3cbr64", {"-b", "64", "--cbr"}, true);
    if (!shortOne || !longOne) {
        std::fprintf(stderr, "bench_startup: the recordings could not be made\n");
        return 1;
    }
    Desktop desktop;
    if (const QString problem = desktop.problem(); !problem.isEmpty()) {
        std::fprintf(stderr, "bench_startup: %s\n", problem.toUtf8().constData());
        return 1;
    }

    const Recordings recordings = {*shortOne, *longOne};
    const std::array<QString, ProgramCount> names = {QStringLiteral("bare Qt 6 window (one label)"),
                                                     parlatypeName(), QStringLiteral("memotap")};
    std::printf("Start-up, %d runs of each program on each recording, in turn\n", runs);
    std::fflush(stdout);
    const Starts measured = measureStarts(desktop, recordings, names, runs);
    const auto sound = measureFirstSounds(desktop, recordings, runs);
    printReport(names, measured, sound, runs);
    return 0;
}
