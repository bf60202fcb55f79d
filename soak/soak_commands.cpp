// Random commands against the real main window and the real engine, with
// sound going to a private PulseAudio server: every command of the table and
// every hotkey record, opens and history switches, speed, repeat, the
// equalizer and its presets, compact mode, always-on-top and the colours.
// Halfway the open file is deleted and created again; for a stretch the
// settings files cannot be written; twice the sound server is killed and
// started again.
#include "app/startup.h"
#include "core/commands.h"
#include "core/engine/engine.h"
#include "core/hotkeys/keyfile.h"
#include "core/messagebox.h"
#include "core/modMain.h"
#include "core/settings.h"
#include "core/settings_reader.h"
#include "core/textfile.h"
#include "soak.h"
#include "support/audio_fixtures.h"
#include "support/xsession.h"
#include "ui/forms.h"
#include "ui/frmColor.h"
#include "ui/frmMain.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <cerrno>
#include <functional>

using namespace modMain;

namespace soak {

namespace {

constexpr int Rate = 22050;

class CommandSoak {
  public:
    CommandSoak(unsigned seed, const QString& folder) : dice_(seed), folder_(folder) {}

    bool prepare();
    void run(int commands);
    Figures figures;

  private:
    QString path(const QString& name) const { return QDir(folder_).filePath(name); }
    frmMain& form() { return *static_cast<frmMain*>(MainForm); }
    void step(int index);
    void randomCommand();
    void randomWindowAction();
    void settle(int ms);
    void checkSettingsOnDisk(const char* when);
    void checkShownPosition();
    void removeAndRecreateOpenFile(int step);
    void restartSoundServer();
    void closeAndCheck();

    Dice dice_;
    QString folder_;
    SoundServer sound_;
    QStringList files_;
    std::vector<MessageCall> boxes_;
    int saveFailureBoxes_ = 0;
    bool faultsOn_ = false;
};

bool CommandSoak::prepare() {
    if (!sound_.ok()) {
        std::fprintf(stderr, "soak: the sound server did not start\n");
        return false;
    }
    QProcessEnvironment env;
    sound_.addTo(env);
    for (const QString& name : env.keys())
        qputenv(name.toUtf8().constData(), env.value(name).toUtf8());

    // Files of every kind the engine plays, one damaged and one missing.
    using namespace fixtures;
    if (!writeWav(path("tone.wav"), sine(440, 90, Rate), Rate) ||
        !writeWav(path("long-cbr.wav"), sine(660, 120, Rate), Rate) ||
        !encodeMp3(path("long-cbr.wav"), path("cbr.mp3"), {"-b", "32"}) ||
        !encodeMp3(path("tone.wav"), path("vbr.mp3"), {"-V", "6"}))
        return false;
    QFile noise(path("noise.mp3"));
    if (!noise.open(QIODevice::WriteOnly) || noise.write(randomBytes(20000, 5)) != 20000)
        return false;
    noise.close();
    files_ = {path("tone.wav"),     path("cbr.mp3"),   path("vbr.mp3"),
              path("long-cbr.wav"), path("noise.mp3"), path("missing.mp3")};

    SetAppPathForTesting(folder_);
    InstallDefaultHotKeys();
    if (!textfile::writeAtomically(path("hMEMKEY.txt"), KeyFileBytes()))
        return false;
    // Every box is recorded and answered: No to questions keeps the history.
    SetMessageHookForTesting([this](const MessageCall& call) {
        boxes_.push_back(call);
        if (call.title == QStringLiteral("エラー") && call.text.contains(QStringLiteral("保存")))
            ++saveFailureBoxes_;
        return call.buttons == MessageButtons::Ok ? MessageResult::Ok
               : dice_.chance(30)                 ? MessageResult::Yes
                                                  : MessageResult::No;
    });
    bool engineUp = false;
    setEngineBackend(makeMpvBackend());
    InitialiseEngine([&engineUp] { engineUp = true; });
    if (!QTest::qWaitFor([&engineUp] { return engineUp; }, 30000))
        return false;
    CreateWindows();
    FinishStartup();
    settle(300);
    return MainForm != nullptr;
}

// Runs the event loop: the main timer polls, libmpv's events arrive.
void CommandSoak::settle(int ms) {
    QTest::qWait(ms);
}

void CommandSoak::randomCommand() {
    switch (dice_.below(8)) {
    case 0:
    case 1:
    case 2: {
        // A hotkey press, spare record included.
        ExecuteHotKey(HotKeys[dice_.between(1, HotKeyCount)].Id);
        break;
    }
    case 3: {
        const auto table = CommandTable();
        const CommandInfo& info = table[static_cast<std::size_t>(dice_.below(int(table.size())))];
        switch (info.argument) {
        case CommandArgument::None:
            Execute(info.command);
            break;
        case CommandArgument::Seconds:
            Execute(info.command, dice_.between(-5, FileInfo.TotalSeconds + 5));
            break;
        case CommandArgument::Percent:
            Execute(info.command, dice_.between(20, 350));
            break;
        case CommandArgument::Path:
            Execute(info.command, files_[dice_.below(int(files_.size()))]);
            break;
        case CommandArgument::Switch: // on, off, or none to switch over
            Execute(info.command, dice_.chance(30) ? QVariant() : QVariant(dice_.chance(50)));
            break;
        case CommandArgument::Channel:
            Execute(info.command, dice_.below(4));
            break;
        }
        break;
    }
    case 4:
        Execute(Command::Open, files_[dice_.below(int(files_.size()))]);
        break;
    case 5:
        form().mnuHistry_Click(dice_.between(1, HistorySize));
        break;
    case 6:
        Execute(Command::SeekTo, dice_.between(0, std::max<Long>(FileInfo.TotalSeconds, 0)));
        break;
    default:
        Execute(dice_.chance(50) ? Command::Play : Command::PlayPause);
        break;
    }
}

void CommandSoak::randomWindowAction() {
    frmMain& f = form();
    switch (dice_.below(12)) {
    case 0:
        f.udPitch->setValue(dice_.between(f.udPitch->minimum(), f.udPitch->maximum()));
        break;
    case 1:
        f.chkRep->click();
        break;
    case 2:
        (dice_.chance(50) ? f.udRep : f.udRev)->setValue(dice_.between(0, 60));
        break;
    case 3:
        (dice_.chance(50) ? f.cmdSetStart : f.cmdSetEnd)->click();
        break;
    case 4:
        f.cmdEQ->click();
        break;
    case 5:
        f.chkUse->click();
        break;
    case 6:
        f.optEQ[static_cast<std::size_t>(dice_.below(int(f.optEQ.size())))]->click();
        break;
    case 7: {
        QScrollBar* band = f.vsbEQ[static_cast<std::size_t>(dice_.below(int(f.vsbEQ.size())))];
        band->setValue(dice_.between(band->minimum(), band->maximum()));
        break;
    }
    case 8:
        (dice_.chance(50) ? f.chkMinMax : f.chkWindowPos)->click();
        break;
    case 9: {
        f.mnuOther->trigger();
        if (!ColorForm)
            break;
        ColorForm->cmbPanelColor->setCurrentIndex(dice_.below(ColorForm->cmbPanelColor->count()));
        ColorForm->cmbCharColor->setCurrentIndex(dice_.below(ColorForm->cmbCharColor->count()));
        const int choice = dice_.below(3);
        (choice == 0   ? ColorForm->cmdSetUpApply
         : choice == 1 ? ColorForm->cmdSetUpOK
                       : ColorForm->cmdSetUpCancel)
            ->click();
        break;
    }
    case 10:
        f.hsbSeek->setValue(dice_.between(f.hsbSeek->minimum(), f.hsbSeek->maximum()));
        break;
    default:
        (dice_.chance(50) ? f.cmdREW : f.cmdFF)->click();
        break;
    }
}

void CommandSoak::checkSettingsOnDisk(const char* when) {
    QByteArray bytes;
    if (textfile::readAll(path(SettingsFileName), bytes) == textfile::ReadStatus::Missing)
        return; // nothing saved yet
    if (const QString problem = SettingsProblem(bytes); !problem.isEmpty())
        Finding(figures, QStringLiteral("settings file does not parse %1: %2").arg(when, problem));
}

// The position shown is the one the engine reports.
void CommandSoak::checkShownPosition() {
    form().tmrMain_Timer();
    const QString shown = form().lblPTime->text();
    if (shown != FormatHms(CurrentSeconds))
        Finding(figures,
                QStringLiteral("position shown %1, engine at %2 s").arg(shown).arg(CurrentSeconds));
    if (CurrentSeconds < 0 || CurrentSeconds > std::max<Long>(FileInfo.TotalSeconds, 0))
        Finding(figures, QStringLiteral("position %1 s outside 0..%2")
                             .arg(CurrentSeconds)
                             .arg(FileInfo.TotalSeconds));
}

void CommandSoak::removeAndRecreateOpenFile(int step) {
    const QString open = History[1].Path;
    if (open.isEmpty() || !QFile::exists(open))
        return;
    const QString keep = open + QStringLiteral(".kept");
    QFile::remove(keep);
    if (!QFile::copy(open, keep) || !QFile::remove(open)) {
        Finding(figures, QStringLiteral("cannot delete %1 for the soak").arg(open));
        return;
    }
    std::fprintf(stderr, "soak: step %d deleted %s\n", step, qPrintable(open));
    for (int i = 0; i < 50; ++i) {
        randomCommand();
        settle(dice_.between(0, 20));
    }
    if (!QFile::rename(keep, open))
        Finding(figures, QStringLiteral("cannot create %1 again").arg(open));
    std::fprintf(stderr, "soak: created %s again\n", qPrintable(open));
}

// The sound server dies during playback and comes back: the player keeps
// running and showing the position, and the next play is heard.
void CommandSoak::restartSoundServer() {
    Execute(Command::Open, path("tone.wav"));
    if (RepeatOn)
        form().chkRep->click();
    Execute(Command::Play);
    Execute(Command::SeekTo, 5);
    settle(1000);
    sound_.kill();
    std::fprintf(stderr, "soak: sound server killed at %d s, state %s\n", CurrentSeconds,
                 qPrintable(form().lblState->text()));
    for (int i = 0; i < 15; ++i) {
        settle(100);
        checkShownPosition();
    }
    if (!sound_.start()) {
        Finding(figures, QStringLiteral("the sound server did not start again"));
        return;
    }
    Execute(Command::Pause);
    settle(300);
    const QString heard = path("heard.wav");
    if (!sound_.startRecording(heard)) {
        Finding(figures, QStringLiteral("cannot record the sound server"));
        return;
    }
    Execute(Command::Play);
    settle(2500);
    sound_.stopRecording();
    checkShownPosition();
    const auto audio = fixtures::readWav(heard);
    double loudest = 0;
    if (audio) {
        const auto half = static_cast<std::size_t>(audio->rate / 2);
        for (std::size_t at = 0; at + half <= audio->samples.size(); at += half)
            loudest = std::max(loudest, fixtures::tonePower(*audio, at, half, 440));
    }
    if (loudest < 0.01)
        Finding(figures, QStringLiteral("no sound after the sound server came back"));
    else
        std::fprintf(stderr, "soak: sound back after the restart (power %.3f)\n", loudest);
}

void CommandSoak::step(int index) {
    if (dice_.chance(55))
        randomCommand();
    else
        randomWindowAction();
    // Most commands follow each other fast, as from a pedal or a hotkey held
    // down; some wait for the timer and libmpv.
    settle(dice_.chance(90) ? dice_.between(0, 10) : dice_.between(50, 250));
    if (index % 250 == 0) {
        checkShownPosition();
        checkSettingsOnDisk("during the run");
    }
}

void CommandSoak::run(int commands) {
    const int quarter = commands / 4;
    const int faultsFrom = commands * 3 / 10;
    const int faultsTo = commands * 4 / 10;
    for (int i = 1; i <= commands; ++i) {
        if (i == quarter || i == 3 * quarter)
            restartSoundServer();
        if (i == commands / 2)
            removeAndRecreateOpenFile(i);
        if (i == faultsFrom || i == faultsTo) {
            faultsOn_ = i == faultsFrom;
            if (faultsOn_) {
                // Read-only folder for one file, no permission for the other.
                textfile::SetWriteFaultForTesting([](const QString& target) {
                    return target.endsWith(SettingsFileName) ? EROFS : EACCES;
                });
                SaveSettings();
                Hozon();
            } else {
                textfile::SetWriteFaultForTesting({});
            }
            std::fprintf(stderr, "soak: write faults %s at step %d\n", faultsOn_ ? "on" : "off", i);
        }
        step(i);
        ++figures.steps;
        if (i % 1000 == 0)
            std::fprintf(stderr, "soak: %d commands\n", i);
    }
    if (saveFailureBoxes_ != 1)
        Finding(figures, QStringLiteral("%1 save-failure boxes during the faults, not one")
                             .arg(saveFailureBoxes_));
    closeAndCheck();
}

// The close saves both files; they parse and hold what the player had.
void CommandSoak::closeAndCheck() {
    if (ColorForm)
        ColorForm->cmdSetUpCancel->click();
    form().tmrMain_Timer();
    MainForm->close();
    settle(200);
    const auto history = History;
    const auto keys = HotKeys;
    QByteArray bytes;
    if (textfile::readAll(path(SettingsFileName), bytes) != textfile::ReadStatus::Ok) {
        Finding(figures, QStringLiteral("no settings file after the close"));
        return;
    }
    checkSettingsOnDisk("after the close");
    if (const auto problem = ReadSettingsBytes(bytes))
        Finding(figures,
                QStringLiteral("settings file: %1").arg(problem->describe(SettingsFileName)));
    for (int k = 1; k <= HistorySize; ++k)
        if (History[k] != history[k])
            Finding(figures, QStringLiteral("history entry %1 saved as %2,%3 not %4,%5")
                                 .arg(k)
                                 .arg(History[k].Path)
                                 .arg(History[k].Position)
                                 .arg(history[k].Path)
                                 .arg(history[k].Position));
    if (const QString problem = KeyFileProblem(); !problem.isEmpty())
        Finding(figures, problem);
    else if (HotKeys != keys)
        Finding(figures, QStringLiteral("the key file differs from the bindings in use"));
}

} // namespace

Figures RunCommands(int commands, unsigned seed, const QString& workFolder) {
    CommandSoak soak(seed, workFolder);
    if (!soak.prepare()) {
        Finding(soak.figures, QStringLiteral("the command soak could not start"));
        return soak.figures;
    }
    soak.run(commands);
    return soak.figures;
}

} // namespace soak
