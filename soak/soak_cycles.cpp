// Start/stop cycles of the real executable under Xvfb: SIGTERM at a random
// moment of the first second, with every start-up box in turn (settings file
// missing, key file missing, the last file gone) and with a second player
// started alongside. After each cycle both files parse and every place that
// was saved is still there.
#include "core/hotkeys/keyfile.h"
#include "core/modMain.h"
#include "core/settings.h"
#include "core/settings_reader.h"
#include "core/textfile.h"
#include "soak.h"
#include "support/settings_text.h"
#include "support/xsession.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <cstdio>

using namespace modMain;

namespace soak {

namespace {

enum class Scenario { Plain, SettingsMissing, KeyFileMissing, FileGone, SecondPlayer, Count };

const char* nameOf(Scenario scenario) {
    switch (scenario) {
    case Scenario::Plain:
        return "plain";
    case Scenario::SettingsMissing:
        return "settings missing";
    case Scenario::KeyFileMissing:
        return "key file missing";
    case Scenario::FileGone:
        return "last file gone";
    case Scenario::SecondPlayer:
        return "second player";
    case Scenario::Count:
        break;
    }
    return "?";
}

class CycleSoak {
  public:
    CycleSoak(unsigned seed, const QString& workFolder) : dice_(seed), work_(workFolder) {}

    bool prepare();
    void cycle(int index);
    Figures figures;

  private:
    void seed(Scenario scenario);
    // Waits for process index to end; a crash or a hang is a finding.
    void expectCleanExit(int index, int cycle, Scenario scenario);
    void keepEvidence(int cycle, const QString& what, qint64 pid);
    void checkFiles(int cycle, Scenario scenario);

    Dice dice_;
    QString work_;
    XSession x_;
    SoundServer sound_;
    std::unique_ptr<PlayerRun> player_;
    QString tone_, other_, gone_;
    QByteArray defaultKeys_;
};

bool CycleSoak::prepare() {
    if (!x_.ok() || !sound_.ok())
        return false;
    player_ = std::make_unique<PlayerRun>(x_);
    sound_.addTo(player_->environment());
    tone_ = player_->path("tone.wav");
    other_ = player_->path("other.wav");
    gone_ = player_->path("gone.wav");
    InstallDefaultHotKeys();
    defaultKeys_ = KeyFileBytes();
    return MakeToneWav(tone_, 700, 440, 8000) && MakeToneWav(other_, 60, 660, 8000);
}

void CycleSoak::seed(Scenario scenario) {
    const bool gone = scenario == Scenario::FileGone;
    player_->writeFile("hMEMOTAP.txt",
                       settings({entry(gone ? gone_ : tone_, 600), entry(other_, 12)}));
    player_->writeFile("hMEMKEY.txt", defaultKeys_);
    if (scenario == Scenario::SettingsMissing)
        QFile::remove(player_->path("hMEMOTAP.txt"));
    if (scenario == Scenario::KeyFileMissing)
        QFile::remove(player_->path("hMEMKEY.txt"));
}

// A core file the crash left in the player's folder, with its backtrace.
void CycleSoak::keepEvidence(int cycle, const QString& what, qint64 pid) {
    const QString base = QDir(work_).filePath(QStringLiteral("cycle-%1").arg(cycle));
    QFile note(base + ".txt");
    if (note.open(QIODevice::WriteOnly | QIODevice::Append))
        note.write((what + "\n").toUtf8());
    for (const QString& core : QDir(player_->folder()).entryList({"core*"}, QDir::Files)) {
        const QString kept = base + "-" + core;
        QFile::rename(player_->path(core), kept);
        QProcess gdb;
        gdb.setStandardOutputFile(kept + ".bt");
        gdb.start("gdb",
                  {"-batch", "-ex", "thread apply all bt", player_->path("memotap-player"), kept});
        gdb.waitForFinished(60000);
    }
    // A hang: the stacks of the living process.
    if (pid > 0) {
        QProcess gdb;
        gdb.setStandardOutputFile(base + "-hang.bt");
        gdb.start("gdb", {"-batch", "-p", QString::number(pid), "-ex", "thread apply all bt"});
        gdb.waitForFinished(60000);
    }
}

void CycleSoak::expectCleanExit(int index, int cycle, Scenario scenario) {
    QProcess& process = player_->process(index);
    const qint64 pid = process.processId();
    if (!player_->waitForExit(index, 20000)) {
        keepEvidence(cycle, "hang", pid);
        Finding(figures, QStringLiteral("cycle %1 (%2): no exit 20 s after SIGTERM")
                             .arg(cycle)
                             .arg(nameOf(scenario)));
        process.kill();
        process.waitForFinished(5000);
        return;
    }
    // QProcess reports the signal's number as the code of a crash. SIGTERM
    // before the handler is installed ends the process as it should.
    const bool crashed = process.exitStatus() == QProcess::CrashExit;
    if (crashed && process.exitCode() == SIGTERM)
        return;
    if (crashed || process.exitCode() != 0) {
        const QString what = QStringLiteral("cycle %1 (%2): %3 %4")
                                 .arg(cycle)
                                 .arg(nameOf(scenario))
                                 .arg(crashed ? "signal" : "exit code")
                                 .arg(process.exitCode());
        keepEvidence(cycle, what, 0);
        Finding(figures, what);
    }
}

void CycleSoak::checkFiles(int cycle, Scenario scenario) {
    const auto finding = [&](const QString& what) {
        Finding(figures,
                QStringLiteral("cycle %1 (%2): %3").arg(cycle).arg(nameOf(scenario), what));
    };
    const QByteArray bytes = player_->readFile("hMEMOTAP.txt");
    if (bytes.isEmpty()) {
        if (scenario != Scenario::SettingsMissing)
            finding("settings file lost");
    } else if (const QString problem = SettingsProblem(bytes); !problem.isEmpty()) {
        finding("settings file does not parse: " + problem);
    } else if (const auto problem = ReadSettingsBytes(bytes)) {
        finding(problem->describe("hMEMOTAP.txt"));
    } else if (scenario != Scenario::SettingsMissing) {
        const QString first = scenario == Scenario::FileGone ? gone_ : tone_;
        // Nothing played: each place is the one saved before the start.
        if (FindHistory(first) == 0 || History[FindHistory(first)].Position != 600)
            finding("the place of " + first + " was lost");
        if (FindHistory(other_) == 0 || History[FindHistory(other_)].Position != 12)
            finding("the place of the second entry was lost");
    }
    const QByteArray keys = player_->readFile("hMEMKEY.txt");
    if (keys.isEmpty()) {
        if (scenario != Scenario::KeyFileMissing)
            finding("key file lost");
    } else if (keys != defaultKeys_) {
        finding("key file changed: " + QString::fromLatin1(keys.toPercentEncoding()));
    }
}

void CycleSoak::cycle(int index) {
    const auto scenario = static_cast<Scenario>(dice_.below(int(Scenario::Count)));
    seed(scenario);
    const int first = player_->start();
    const int termAfterMs = dice_.between(0, 1000);
    std::optional<int> second;
    if (scenario == Scenario::SecondPlayer) {
        const int secondAfterMs = dice_.between(0, termAfterMs);
        QThread::msleep(secondAfterMs);
        second = player_->start();
        QThread::msleep(termAfterMs - secondAfterMs);
    } else {
        QThread::msleep(termAfterMs);
    }
    player_->terminate(first);
    expectCleanExit(first, index, scenario);
    if (second) {
        // The second asks the first to come forward and leaves; should the
        // first have gone already, it is the player now and gets the signal.
        if (!player_->waitForExit(*second, 3000))
            player_->terminate(*second);
        expectCleanExit(*second, index, scenario);
    }
    checkFiles(index, scenario);
}

} // namespace

Figures RunCycles(int cycles, unsigned seed, const QString& workFolder) {
    CycleSoak soak(seed, workFolder);
    if (!soak.prepare()) {
        Finding(soak.figures, QStringLiteral("the cycle soak could not start"));
        return soak.figures;
    }
    for (int i = 1; i <= cycles; ++i) {
        soak.cycle(i);
        ++soak.figures.steps;
        if (i % 25 == 0)
            std::fprintf(stderr, "soak: %d cycles, %ld findings\n", i, soak.figures.findings);
    }
    return soak.figures;
}

} // namespace soak
