// Opening files against the recording engine: resume points, the history's
// order, what the window shows, and the failure path with its two boxes.
#include "core/commands.h"
#include "core/messagebox.h"
#include "support/wait.h"
#include "ui/open_dialog.h"
#include "ui/player/player_fixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScrollBar>
#include <QTest>

using namespace modMain;

namespace {

class CommandsOpen : public PlayerFixture {
  protected:
    void setHistory(std::initializer_list<HistoryEntry> entries) {
        int i = 1;
        for (const HistoryEntry& e : entries)
            History[i++] = e;
        for (; i <= HistorySize; ++i)
            History[i] = HistoryEntry{};
        RefreshHistoryMenu();
    }

    std::vector<HistoryEntry> history() const { return {History.begin() + 1, History.end()}; }

    // The engine as it stands with `path` open and playback at `at`.
    void fileOpenAt(std::int32_t at, std::int32_t state = StatePaused) {
        engine->state = state;
        engine->position = at;
        engine->take();
    }
};

using Entries = std::vector<HistoryEntry>;

TEST_F(CommandsOpen, NewFileRestsPausedAtTheStartAndGoesOnTop) {
    setHistory({{"/rec/a.wav", 120}, {"/rec/b.wav", 30}});
    fileOpenAt(300);
    engine->totalSeconds = 3725;
    OpenAudioFile("/rec/c.mp3");
    EXPECT_EQ(engine->take(),
              QStringList({"close", "open(/rec/c.mp3)", "play", "pause", "setPitch(100)"}));
    EXPECT_EQ(
        history(),
        Entries({{"/rec/c.mp3", 0}, {"/rec/a.wav", 300}, {"/rec/b.wav", 30}, {"", 0}, {"", 0}}));
    EXPECT_EQ(FileInfo.TotalSeconds, 3725);
    EXPECT_EQ(form->lblTTime->text(), "/ 01:02:05");
    EXPECT_EQ(form->hsbSeek->maximum(), 3725);
    EXPECT_EQ(form->windowTitle(), "c.mp3 - メモタップ");
    EXPECT_EQ(form->mnuHistry[1]->text(), "/rec/c.mp3 00:00:00");
    EXPECT_EQ(form->mnuHistry[2]->text(), "/rec/a.wav 00:05:00");
    EXPECT_TRUE(form->mnuHistry[3]->isVisible());
    EXPECT_FALSE(form->mnuHistry[4]->isVisible());
    EXPECT_TRUE(messages.calls.empty());

    tick();
    EXPECT_EQ(form->lblState->text(), "一時停止");
    EXPECT_EQ(form->lblPTime->text(), "00:00:00");
}

// While the engine opens a file the player is opening: commands wait and
// run in order once it has opened, and another open gives it up and goes next.
TEST_F(CommandsOpen, CommandsWaitForTheOpenAndAnotherOpenReplacesIt) {
    FinishStartup();
    setHistory({{"/rec/a.wav", 120}, {"/rec/b.wav", 30}});
    engine->deferOpen = true;
    OpenAudioFile("/rec/a.wav");
    Execute(Command::SpeedUp);
    Execute(Command::Play);
    EXPECT_TRUE(FileOpening());
    QCoreApplication::processEvents();
    EXPECT_EQ(engine->take(), QStringList({"close", "open(/rec/a.wav)"}));
    ASSERT_TRUE(engine->finishOpen());
    EXPECT_TRUE(WaitUntil([this] { return engine->state == StatePlaying; }));
    // The play resumes with its step back.
    EXPECT_EQ(engine->take(), QStringList({"play", "seek(120)", "pause", "setPitch(100)",
                                           "setPitch(105)", "seek(120)", "restart"}));

    OpenAudioFile("/rec/a.wav");
    Execute(Command::Open, QString("/rec/b.wav"));
    Execute(Command::SpeedDown);
    EXPECT_TRUE(WaitUntil([this] { return engine->calls.contains("open(/rec/b.wav)"); }));
    ASSERT_TRUE(engine->finishOpen());
    EXPECT_TRUE(WaitUntil([] { return Pitch == 95; }));
    EXPECT_EQ(engine->take(), QStringList({"close", "open(/rec/a.wav)", "close", "setPitch(100)",
                                           "setPitch(100)", "close", "open(/rec/b.wav)", "play",
                                           "seek(30)", "pause", "setPitch(100)", "setPitch(95)"}));
    EXPECT_EQ(form->windowTitle(), "b.wav - メモタップ");
    EXPECT_EQ(history()[0].Path, "/rec/b.wav");
    EXPECT_TRUE(messages.calls.empty());
}

TEST_F(CommandsOpen, ReopeningEntryOneGoesBackToItsSavedPoint) {
    setHistory({{"/rec/a.wav", 120}, {"/rec/b.wav", 30}});
    fileOpenAt(300, StatePlaying);
    OpenAudioFile("/rec/a.wav");
    EXPECT_EQ(engine->take(), QStringList({"close", "open(/rec/a.wav)", "play", "seek(120)",
                                           "pause", "setPitch(100)"}));
    EXPECT_EQ(history(),
              Entries({{"/rec/a.wav", 120}, {"/rec/b.wav", 30}, {"", 0}, {"", 0}, {"", 0}}))
        << "the current point is not stored";
    EXPECT_EQ(engine->state, StatePaused);
    EXPECT_EQ(engine->position, 120);
}

TEST_F(CommandsOpen, ChoosingEntriesTwoToFiveStoresTheOutgoingPoint) {
    for (int chosen = 2; chosen <= 5; ++chosen) {
        setHistory({{"/rec/a.wav", 10},
                    {"/rec/b.wav", 20},
                    {"/rec/c.wav", 30},
                    {"/rec/d.wav", 40},
                    {"/rec/e.wav", 50}});
        const HistoryEntry target = History[chosen];
        fileOpenAt(300);
        form->mnuHistry[chosen]->trigger();
        EXPECT_EQ(engine->take(),
                  QStringList({"close", "open(" + target.Path + ")", "play",
                               QString("seek(%1)").arg(target.Position), "pause", "setPitch(100)"}))
            << "entry " << chosen;
        Entries expected = {{"/rec/a.wav", 300},
                            {"/rec/b.wav", 20},
                            {"/rec/c.wav", 30},
                            {"/rec/d.wav", 40},
                            {"/rec/e.wav", 50}};
        expected.erase(expected.begin() + (chosen - 1));
        expected.insert(expected.begin(), target);
        EXPECT_EQ(history(), expected) << "entry " << chosen;
        EXPECT_EQ(form->mnuHistry[2]->text(), "/rec/a.wav 00:05:00");
        EXPECT_EQ(engine->position, target.Position);
    }
}

TEST_F(CommandsOpen, SixFilesInARowLeaveTheLastFive) {
    for (int n = 1; n <= 6; ++n) {
        OpenAudioFile(QString("/rec/%1.wav").arg(n));
        // Each is played a while before the next is opened.
        engine->position = n * 100;
    }
    EXPECT_EQ(history(), Entries({{"/rec/6.wav", 0},
                                  {"/rec/5.wav", 500},
                                  {"/rec/4.wav", 400},
                                  {"/rec/3.wav", 300},
                                  {"/rec/2.wav", 200}}));
    EXPECT_EQ(FindHistory("/rec/1.wav"), 0);
}

TEST_F(CommandsOpen, WithoutAnOpenFileEntryOneKeepsItsSavedPoint) {
    // The last file failed to open at start-up and the user kept its entry;
    // the engine's position then belongs to no file.
    setHistory({{"/rec/gone.wav", 1800}, {"/rec/b.wav", 30}});
    engine->state = StateStopped;
    engine->position = 0;
    OpenAudioFile("/rec/new.wav");
    EXPECT_EQ(
        history(),
        Entries(
            {{"/rec/new.wav", 0}, {"/rec/gone.wav", 1800}, {"/rec/b.wav", 30}, {"", 0}, {"", 0}}));

    setHistory({{"/rec/gone.wav", 1800}, {"/rec/b.wav", 30}});
    engine->state = StateStopped;
    OpenAudioFile("/rec/b.wav");
    EXPECT_EQ(history(),
              Entries({{"/rec/b.wav", 30}, {"/rec/gone.wav", 1800}, {"", 0}, {"", 0}, {"", 0}}));
}

TEST_F(CommandsOpen, EveryOpenResetsTheSpeed) {
    form->udPitch->stepUp();
    form->udPitch->stepUp();
    EXPECT_EQ(engine->take(), QStringList({"setPitch(105)", "setPitch(110)"}));
    EXPECT_EQ(Pitch, 110);
    OpenAudioFile("/rec/a.wav");
    // ApplyPitch, then the field's change applies the same value again.
    EXPECT_EQ(engine->take().filter("setPitch"), QStringList({"setPitch(100)", "setPitch(100)"}));
    EXPECT_EQ(Pitch, 100);
    EXPECT_EQ(form->udPitch->value(), 100);

    form->udPitch->stepDown();
    engine->openSucceeds = false;
    OpenAudioFile("/rec/b.wav");
    EXPECT_EQ(engine->take().filter("setPitch"),
              QStringList({"setPitch(95)", "setPitch(100)", "setPitch(100)"}));
    EXPECT_EQ(Pitch, 100);
}

TEST_F(CommandsOpen, CaptionShowsTheNameAfterTheLastSeparator) {
    OpenAudioFile("meeting.wav");
    EXPECT_EQ(form->windowTitle(), "meeting.wav - メモタップ");
    OpenAudioFile("/home/秘書/会議 録音/第3回.mp3");
    EXPECT_EQ(form->windowTitle(), "第3回.mp3 - メモタップ");
    // The engine gets the path in the file system's encoding.
    EXPECT_TRUE(engine->calls.contains("open(/home/秘書/会議 録音/第3回.mp3)"));
}

TEST_F(CommandsOpen, AShorterFileKeepsItsResumePoint) {
    setHistory({{"/rec/long.wav", 0}, {"/rec/short.wav", 100}});
    playing(StatePaused, 500, 1000);
    EXPECT_EQ(form->hsbSeek->value(), 500);
    engine->totalSeconds = 300;
    OpenAudioFile("/rec/short.wav");
    EXPECT_EQ(form->hsbSeek->maximum(), 300);
    EXPECT_EQ(engine->take().filter("seek"), QStringList({"seek(100)"}));
    EXPECT_EQ(engine->position, 100);
    tick();
    EXPECT_EQ(form->hsbSeek->value(), 100);
    EXPECT_EQ(engine->take(), QStringList());
}

TEST_F(CommandsOpen, LongRecordingGetsTheWholeLengthOnTheBar) {
    engine->totalSeconds = 12 * 3600 + 5;
    OpenAudioFile("/rec/all-day.wav");
    EXPECT_EQ(form->hsbSeek->maximum(), 43205);
    EXPECT_EQ(form->lblTTime->text(), "/ 12:00:05");
}

// A failed open shows the error box only for numbers 1 to 33, then resets the
// window, then asks about the history entry when there is one.
TEST_F(CommandsOpen, FailedOpenWithErrorNumbers) {
    for (std::int32_t error : {0, 1, 33, 34}) {
        for (bool inHistory : {false, true}) {
            SCOPED_TRACE(QString("error %1, %2")
                             .arg(error)
                             .arg(inHistory ? "in history" : "new")
                             .toStdString());
            const QString path = "/rec/gone.wav";
            setHistory(inHistory
                           ? std::initializer_list<HistoryEntry>{{"/rec/a.wav", 10}, {path, 70}}
                           : std::initializer_list<HistoryEntry>{{"/rec/a.wav", 10}});
            OpenAudioFile("/rec/a.wav");
            engine->position = 44;
            form->hsbSeek->setMaximum(500);
            engine->take();
            messages.calls.clear();
            engine->openSucceeds = false;
            engine->lastError = error;
            if (inHistory)
                messages.answer(MessageResult::No);

            form->mnuHistry[inHistory ? 2 : 1]->setText("unchanged");
            OpenAudioFile(path);
            // The error comes with the open's end.
            EXPECT_EQ(engine->take(),
                      QStringList({"close", "open(" + path + ")", "setPitch(100)"}));
            std::size_t box = 0;
            if (error >= 1 && error <= 33) {
                ASSERT_GE(messages.calls.size(), 1u);
                const MessageCall& c = messages.calls[box++];
                EXPECT_EQ(
                    c.text,
                    QString("ErrNo:%1  ファイルのオープンに失敗しました。\r\n\r\n").arg(error) +
                        path);
                EXPECT_EQ(c.title, "確認");
                EXPECT_EQ(c.icon, MessageIcon::Warning);
                EXPECT_EQ(c.buttons, MessageButtons::Ok);
            }
            if (inHistory) {
                ASSERT_EQ(messages.calls.size(), box + 1);
                const MessageCall& q = messages.calls[box];
                EXPECT_EQ(q.text, "メニューの履歴から " + path + " を削除しますか");
                EXPECT_EQ(q.title, "確認");
                EXPECT_EQ(q.icon, MessageIcon::Question);
                EXPECT_EQ(q.buttons, MessageButtons::YesNo);
            } else {
                EXPECT_EQ(messages.calls.size(), box);
            }
            EXPECT_EQ(form->lblState->text(), "停止");
            EXPECT_EQ(form->windowTitle(), "メモタップ");
            EXPECT_EQ(form->lblTTime->text(), "/ 00:00:00");
            EXPECT_EQ(form->hsbSeek->maximum(), 500);
            // Answered No: nothing was removed, and the file the open closed
            // keeps the place where it was left.
            EXPECT_EQ(History[1], HistoryEntry({"/rec/a.wav", 44}));
            EXPECT_EQ(FindHistory(path), inHistory ? 2 : 0);
            EXPECT_EQ(form->mnuHistry[inHistory ? 2 : 1]->text(), "unchanged");
            engine->openSucceeds = true;
        }
    }
}

TEST_F(CommandsOpen, FailedOpenAnsweredYesRemovesTheEntry) {
    setHistory({{"/rec/a.wav", 10}, {"/rec/gone.wav", 70}, {"/rec/c.wav", 90}});
    engine->openSucceeds = false;
    engine->lastError = 1;
    messages.answer(MessageResult::Yes);
    form->mnuHistry[2]->trigger();
    ASSERT_EQ(messages.calls.size(), 2u);
    EXPECT_EQ(history(),
              Entries({{"/rec/a.wav", 10}, {"/rec/c.wav", 90}, {"", 0}, {"", 0}, {"", 0}}));
    EXPECT_EQ(form->mnuHistry[2]->text(), "/rec/c.wav 00:01:30");
    EXPECT_FALSE(form->mnuHistry[3]->isVisible());
}

// Finds the open dialog once it is up and hands it to `act`; the dialog has
// closed when `closed` is set.
void whenDialogOpens(std::function<void(QFileDialog*)> act, bool& closed) {
    QTimer::singleShot(20, [act, &closed] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            whenDialogOpens(act, closed);
            return;
        }
        act(dialog);
        // A failed check inside `act` must not leave the dialog waiting.
        if (dialog->isVisible())
            dialog->reject();
        closed = true;
    });
}

// The names of the files the dialog lists under its current filter.
QStringList listedFiles(QFileDialog* dialog) {
    QStringList names;
    auto* view = dialog->findChild<QListView*>("listView");
    if (!view || !view->model())
        return names;
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < view->model()->rowCount(root); ++row)
        names << view->model()->index(row, 0, root).data().toString();
    names.sort();
    return names;
}

TEST_F(CommandsOpen, FileMenuDialogFiltersAndOpensTheChosenFile) {
    QDir(folder.path()).mkdir("rec");
    const QString dir = folder.filePath("rec");
    for (const char* name :
         {"録音.wav", "b.MP3", "c.mp2", "d.rmp", "e.mp1", "f.txt", "g", "h.M4A", "i.opus"}) {
        QFile file(dir + '/' + QString::fromUtf8(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString path = dir + "/録音.wav";
    const QList<QStringList> expected = {
        {"b.MP3", "録音.wav"},
        {"c.mp2", "d.rmp", "e.mp1"},
        {"h.M4A", "i.opus"},
        {"b.MP3", "c.mp2", "d.rmp", "e.mp1", "f.txt", "g", "h.M4A", "i.opus", "録音.wav"}};
    QStringList filters;
    QList<QStringList> listed;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    bool closed = false;
    whenDialogOpens(
        [&](QFileDialog* dialog) {
            filters = dialog->nameFilters();
            mode = dialog->fileMode();
            dialog->setDirectory(dir);
            for (int i = 0; i < filters.size() && i < expected.size(); ++i) {
                dialog->selectNameFilter(filters[i]);
                // The folder is read and filtered in the background.
                (void)QTest::qWaitFor([&] { return listedFiles(dialog) == expected[i]; }, 5000);
                listed << listedFiles(dialog);
            }
            // The user types the name and presses Open.
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_TRUE(name);
            name->setText("録音.wav");
            static_cast<QDialog*>(dialog)->accept();
        },
        closed);
    form->mnuOpen->trigger();
    ASSERT_TRUE(WaitUntil([&] { return closed; }, 30000));

    ASSERT_EQ(filters.size(), 4);
    EXPECT_TRUE(filters[0].startsWith("ｵｰﾃﾞｨｵﾌｧｲﾙ(*.wav,*.mp3) (*.wav *.WAV *.mp3 *.MP3)"));
    EXPECT_TRUE(filters[1].startsWith("その他のｵｰﾃﾞｨｵﾌｧｲﾙ(*.mp1,*.mp2,*.rmp)"));
    EXPECT_TRUE(
        filters[2].startsWith("その他の録音(*.m4a,*.wma,*.ogg,*.opus,*.flac,*.aac,*.mp4,*.webm)"));
    EXPECT_TRUE(filters[3].startsWith("すべてのファイル(*.*)"));
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(mode, QFileDialog::ExistingFile);
    EXPECT_TRUE(engine->take().contains("open(" + path + ")"));
    EXPECT_EQ(History[1].Path, path);
}

TEST_F(CommandsOpen, FileMenuDialogCancelDoesNothing) {
    setHistory({{"/rec/a.wav", 10}});
    bool closed = false;
    whenDialogOpens([](QFileDialog* dialog) { dialog->reject(); }, closed);
    form->mnuOpen->trigger();
    ASSERT_TRUE(WaitUntil([&] { return closed; }));
    EXPECT_EQ(engine->take(), QStringList());
    EXPECT_TRUE(messages.calls.empty());
    EXPECT_EQ(History[1], HistoryEntry({"/rec/a.wav", 10}));
}

} // namespace
