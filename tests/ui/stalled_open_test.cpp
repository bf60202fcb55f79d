// A file whose first read stalls, as on a network share that stopped
// answering: the window's events still run while it opens, the state label
// says that the file is opening, and the open ends paused at the saved place.
// Closing the player or opening another file meanwhile neither waits for the
// stalled read nor loses the place, of the stalled file or of the one before.
// A play on an open file whose share stops answering does not wait for it
// either.
#include "engine/engine_fixture.h"

#include "app/startup.h"
#include "core/commands.h"
#include "core/engine/file_reader.h"
#include "core/modMain.h"
#include "core/settings.h"
#include "support/history_entries.h"
#include "support/message_recorder.h"
#include "support/stalling_read.h"
#include "support/wait.h"
#include "ui/forms.h"
#include "ui/frmMain.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>
#include <memory>

using namespace fixtures;

namespace {

const QString Opening = QStringLiteral("ｵｰﾌﾟﾝ中");

class StalledOpen : public EngineTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(settingsFolder.isValid());
        modMain::SetAppPathForTesting(settingsFolder.path());
        startEngine();
        modMain::LoadSettings();
        form = std::make_unique<frmMain>();
        modMain::MainForm = form.get();
        form->Setup();
        form->show();
        modMain::FinishStartup();
        messages.calls.clear();
        stall = stallNextEngineRead();
        for (const char* name : {"a.wav", "b.wav"})
            ASSERT_TRUE(writeWav(file(name), sine(440, 30, 16000), 16000));
    }

    void TearDown() override {
        stall->release();
        FileReader::setReadHookForTesting({});
        if (!form->isHidden())
            form->close();
        form.reset();
        modMain::SetAppPathForTesting({});
        EngineTest::TearDown();
    }

    // Opens path with step run every 20 ms while it opens, until it answers
    // true; true when it did.
    bool openWhile(const QString& path, const std::function<bool()>& step) {
        bool done = false;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (!done && modMain::FileOpening() && step())
                done = true;
        });
        timer.start(20);
        modMain::OpenAudioFile(path);
        EXPECT_TRUE(openEnded());
        return done;
    }

    // Runs the window's events until the open has ended, or the player is
    // closing, which ends it without a word.
    static bool openEnded() {
        return WaitUntil([] { return !modMain::FileOpening() || modMain::PlayerClosing(); }, 60000);
    }

    static void open(const QString& path) {
        modMain::OpenAudioFile(path);
        EXPECT_TRUE(openEnded());
    }

    // True while a descriptor of this process is open on path: a probe holds
    // the file until its thread ends, libmpv while it has it loaded.
    static bool heldOpen(const QString& path) {
        const QString target = QFileInfo(path).canonicalFilePath();
        const QDir fds(QStringLiteral("/proc/self/fd"));
        for (const QFileInfo& fd : fds.entryInfoList(QDir::Files | QDir::System))
            if (fd.symLinkTarget() == target)
                return true;
        return false;
    }

    bool showsOpeningWhileStalled() {
        return form->lblState->text() == Opening && stall->holding();
    }

    QTemporaryDir settingsFolder;
    MessageRecorder messages;
    std::shared_ptr<StallingRead> stall;
    std::unique_ptr<frmMain> form;
};

} // namespace

TEST_F(StalledOpen, WindowRunsMeanwhileCommandsWaitAndTheFileEndsPausedAtItsPlace) {
    const QString path = file("a.wav");
    setHistory({{path, 12}});
    ASSERT_TRUE(openWhile(path, [this] {
        if (!showsOpeningWhileStalled())
            return false;
        EXPECT_EQ(form->windowTitle(), "a.wav - メモタップ");
        EXPECT_EQ(form->lblPTime->text(), "00:00:12");
        modMain::Execute(modMain::Command::SpeedUp);
        EXPECT_EQ(modMain::Pitch, 100) << "a command ran while the file was opening";
        stall->release();
        return true;
    })) << "the state label never said the file was opening while its read stalled";

    EXPECT_EQ(modMain::FileInfo.TotalSeconds, 30);
    const Snapshot opened = snapshot();
    EXPECT_EQ(opened.state, StatePaused);
    EXPECT_EQ(opened.position, 12);
    // The command kept during the open runs after it, on the opened file.
    EXPECT_TRUE(WaitUntil([] { return modMain::Pitch == 105; }));
    form->tmrMain_Timer();
    EXPECT_EQ(form->lblState->text(), QStringLiteral("一時停止"));
    EXPECT_TRUE(messages.calls.empty());
}

TEST_F(StalledOpen, ClosingMeanwhileEndsThePlayerAndKeepsThePlace) {
    const QString path = file("a.wav");
    setHistory({{path, 12}});
    ASSERT_TRUE(openWhile(path, [this] {
        if (!showsOpeningWhileStalled())
            return false;
        form->close();
        return true;
    }));

    EXPECT_TRUE(modMain::PlayerClosing());
    EXPECT_TRUE(stall->holding()) << "the close waited for the stalled read";
    EXPECT_TRUE(form->isHidden());
    modMain::LoadSettings();
    EXPECT_EQ(history().front().Path, path);
    EXPECT_EQ(history().front().Position, 12);
}

TEST_F(StalledOpen, AnotherFileOpenedMeanwhileReplacesTheStalledOne) {
    const QString stalled = file("a.wav");
    const QString other = file("b.wav");
    setHistory({{stalled, 12}, {other, 7}});
    ASSERT_TRUE(openWhile(stalled, [&] {
        if (!showsOpeningWhileStalled())
            return false;
        modMain::Execute(modMain::Command::Open, other);
        return true;
    }));

    EXPECT_TRUE(WaitUntil([&] { return history().front().Path == other; }));
    const Snapshot opened = snapshot();
    EXPECT_EQ(opened.state, StatePaused);
    EXPECT_EQ(opened.position, 7);
    EXPECT_TRUE(stall->holding());
    EXPECT_TRUE(messages.calls.empty()) << "giving up the stalled open showed a box";

    // Once the share answers, the given-up probe ends without handing its
    // file to libmpv, which would replace the open one.
    stall->release();
    ASSERT_TRUE(WaitUntil([&] { return !heldOpen(stalled); }));
    vbmp3_play();
    vbmp3_seek(4);
    vbmp3_pause();
    ASSERT_TRUE(WaitUntil([] { return snapshot().position == 4; }));
    EXPECT_EQ(snapshot().state, StatePaused);
    EXPECT_EQ(history().front().Path, other);
}

TEST_F(StalledOpen, AnOpenGivenUpForAnotherKeepsWhereTheFileBeforeWasLeft) {
    const QString left = file("a.wav");
    const QString stalled = file("b.wav");
    const QString next = file("c.wav");
    ASSERT_TRUE(writeWav(next, sine(440, 30, 16000), 16000));
    setHistory({{left, 12}});
    FileReader::setReadHookForTesting({});
    open(left);
    vbmp3_seek(20); // the user moved on from the stored place
    form->tmrMain_Timer();
    ASSERT_EQ(snapshot().position, 20);

    stall = stallNextEngineRead();
    ASSERT_TRUE(openWhile(stalled, [&] {
        if (!showsOpeningWhileStalled())
            return false;
        modMain::Execute(modMain::Command::Open, next);
        return true;
    }));
    ASSERT_TRUE(WaitUntil([&] { return history().front().Path == next; }));
    form->close();

    modMain::LoadSettings();
    const Entries saved = history();
    ASSERT_EQ(saved[1].Path, left);
    EXPECT_EQ(saved[1].Position, 20) << "the place where the file was left was lost";
}

TEST_F(StalledOpen, ReopenAtStartUpStallsInAWindowOnScreen) {
    const QString path = file("a.wav");
    setHistory({{path, 12}});
    modMain::SaveSettings();
    bool seen = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        frmMain* shown = modMain::MainForm;
        if (seen || shown == form.get() || !shown->isVisible() ||
            shown->lblState->text() != Opening || !stall->holding())
            return;
        seen = true;
        // What the history knows is on screen before the file answers.
        EXPECT_EQ(shown->windowTitle(), "a.wav - メモタップ");
        EXPECT_EQ(shown->lblPTime->text(), "00:00:12");
        stall->release();
    });
    watch.start(20);
    modMain::CreateWindows();
    std::unique_ptr<frmMain> started(modMain::MainForm);
    EXPECT_TRUE(openEnded());
    modMain::MainForm = form.get();
    ASSERT_NE(started.get(), form.get());
    EXPECT_TRUE(seen) << "the window was not on screen saying the file was opening";
    EXPECT_EQ(started->windowTitle(), "a.wav - メモタップ");
    EXPECT_EQ(snapshot().position, 12);
}

TEST_F(StalledOpen, PlayOnAShareThatStoppedAnsweringLeavesTheWindowFree) {
    FileReader::setReadHookForTesting({});
    // MPEG audio: libmpv reads it by stretches named by the file, which the
    // engine checks before each play.
    const QString path = file("a.mp3");
    ASSERT_TRUE(encodeMp3(file("a.wav"), path, {"-b", "64", "--cbr"}));
    setHistory({{path, 12}});
    open(path);
    ASSERT_EQ(snapshot().state, StatePaused);

    auto share = stallNextEngineRead();
    vbmp3_play();
    EXPECT_TRUE(share->holding()) << "play waited for the share to answer";
    EXPECT_EQ(snapshot().state, StatePaused) << "played a file that did not answer";

    share->release();
    vbmp3_play();
    EXPECT_EQ(snapshot().state, StatePlaying) << "the file answers again";
    EXPECT_EQ(snapshot().position, 12) << "the file stayed open at its place";
}
