// The hook on the main window: hotkey messages run the eight commands on the
// engine, dropped files open, and every event still reaches the window.
#include "core/settings.h"
#include "fake_hotkey_backend.h"
#include "ui/hotkey_event.h"
#include "core/hotkeys/keyfile.h"
#include "ui/frmMain.h"
#include "support/fake_engine.h"
#include "support/message_recorder.h"

#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

using namespace modMain;

namespace {

// Counts the events of one type that get past the filters installed after it.
class EventProbe : public QObject {
  public:
    explicit EventProbe(QEvent::Type type) : type_(type) {}
    int seen = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == type_)
            ++seen;
        return false;
    }

  private:
    QEvent::Type type_;
};

class DispatchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        SetAppPathForTesting(folder.path());
        engine = &FakeEngine::install();
        InstallDefaultHotKeys();
        form = std::make_unique<frmMain>();
        MainForm = form.get();
        form->Setup();
        form->tmrMain->stop();
        RevSeconds = 3;
        RepSeconds = 10;
        RewFFSeconds = 4;
    }
    void TearDown() override {
        UnhookWindow();
        MainForm = nullptr;
        form.reset();
        SetAppPathForTesting({});
    }

    // A file of `total` seconds in the engine, in the given state and place.
    void playing(std::int32_t state, std::int32_t position, std::int32_t total = 600) {
        engine->state = state;
        engine->position = position;
        engine->totalSeconds = total;
        FileInfo.TotalSeconds = total;
        engine->take();
    }

    QStringList press(Long id) {
        SendHotKeyMessage(form.get(), id);
        return engine->take();
    }

    QTemporaryDir folder;
    MessageRecorder messages;
    FakeEngine* engine = nullptr;
    std::unique_ptr<frmMain> form;
};

// A drag that enters the window and is dropped on it, as the desktop delivers it.
bool dropOn(QWidget* window, const QMimeData* mime) {
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &drop);
    return drop.isAccepted();
}

QMimeData* filesMime(const QStringList& paths) {
    auto* mime = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << (path.contains("://") ? QUrl(path) : QUrl::fromLocalFile(path));
    mime->setUrls(urls);
    return mime;
}

} // namespace

// --- hotkeys ---

TEST_F(DispatchTest, WindowSetUpHooksTheWindow) {
    EXPECT_TRUE(IsWindowHooked());
}

TEST_F(DispatchTest, ListenResumesWithTheStepBackAndPausesOnTheSecondPress) {
    playing(StatePaused, 200);
    EXPECT_EQ(press(1), QStringList({"getState", "seek(197)", "restart"}));
    EXPECT_EQ(press(1), QStringList({"getState", "pause"}));
    playing(StateStopped, 0);
    EXPECT_EQ(press(1), QStringList({"getState", "play"}));
}

TEST_F(DispatchTest, RewindAndFastForwardByTheStep) {
    playing(StatePlaying, 100);
    EXPECT_EQ(press(2), QStringList({"getState", "seek(96)"}));
    EXPECT_EQ(press(3), QStringList({"getState", "seek(100)"}));
    playing(StatePlaying, 598);
    EXPECT_EQ(press(3), QStringList({"getState", "seek(600)"}));
}

TEST_F(DispatchTest, RepeatModeIgnoresRewindAndFastForwardOnly) {
    playing(StatePlaying, 100);
    EXPECT_EQ(press(4), QStringList({"getState", "seek(90)", "restart"}));
    ASSERT_EQ(RepeatOn, -1);
    EXPECT_TRUE(form->chkRep->isChecked());
    EXPECT_TRUE(press(2).isEmpty());
    EXPECT_TRUE(press(3).isEmpty());
    EXPECT_EQ(press(7), QStringList({"seek(0)"}));
    EXPECT_EQ(press(8), QStringList({"seek(600)"}));
    EXPECT_EQ(press(5), QStringList({"setPitch(105)"}));
    EXPECT_EQ(press(6), QStringList({"setPitch(100)"}));
    // Listen while playing in repeat mode ends repeat mode and keeps playing.
    EXPECT_EQ(press(1), QStringList({"getState"}));
    EXPECT_EQ(RepeatOn, 0);
    EXPECT_FALSE(form->chkRep->isChecked());
}

TEST_F(DispatchTest, RepeatTwiceReturnsTheBoxAndTheFlagToWhereTheyWere) {
    playing(StatePaused, 25);
    press(4);
    EXPECT_TRUE(form->chkRep->isChecked());
    EXPECT_EQ(RepeatOn, -1);
    EXPECT_EQ(RepeatEndSeconds, 25);
    press(4);
    EXPECT_FALSE(form->chkRep->isChecked());
    EXPECT_EQ(RepeatOn, 0);
}

TEST_F(DispatchTest, PitchUpStopsAt300AndPitchDownAt50) {
    form->udPitch->setValue(295);
    engine->take();
    EXPECT_EQ(press(5), QStringList({"setPitch(300)"}));
    EXPECT_EQ(Pitch, 300);
    EXPECT_EQ(form->udPitch->value(), 300);
    EXPECT_TRUE(press(5).isEmpty());
    EXPECT_EQ(Pitch, 300);

    form->udPitch->setValue(55);
    engine->take();
    EXPECT_EQ(press(6), QStringList({"setPitch(50)"}));
    EXPECT_EQ(Pitch, 50);
    EXPECT_EQ(form->udPitch->value(), 50);
    EXPECT_TRUE(press(6).isEmpty());
    EXPECT_EQ(Pitch, 50);
}

TEST_F(DispatchTest, JumpsToTheStartAndTheEndWhateverTheState) {
    playing(StateStopped, 0, 754);
    EXPECT_EQ(press(7), QStringList({"seek(0)"}));
    EXPECT_EQ(press(8), QStringList({"seek(754)"}));
}

TEST_F(DispatchTest, RecordsAreComparedOneToEightInOrderAndNineNever) {
    playing(StatePlaying, 100);
    EXPECT_TRUE(press(9).isEmpty()); // the spare's own id
    EXPECT_TRUE(press(0).isEmpty());
    EXPECT_TRUE(press(42).isEmpty());
    // Two records with one id: the first of them acts.
    HotKeys[7].Id = 2;
    HotKeys[2].Id = 20;
    EXPECT_EQ(press(2), QStringList({"seek(0)"}));
    playing(StatePlaying, 100);
    EXPECT_EQ(press(20), QStringList({"getState", "seek(96)"}));
    // Ids are whatever the file says, not the record numbers.
    HotKeys[9].Id = 30;
    HotKeys[8].Id = 31;
    EXPECT_TRUE(press(30).isEmpty());
    EXPECT_EQ(press(31), QStringList({"seek(600)"}));
}

TEST_F(DispatchTest, EveryEventReachesTheWindowAfterTheHook) {
    // A filter installed before the hook sees what the hook passes on.
    UnhookWindow();
    EventProbe probe(HotKeyEvent::eventType());
    form->installEventFilter(&probe);
    HookWindow(form.get());
    playing(StatePlaying, 100);
    EXPECT_EQ(press(2), QStringList({"getState", "seek(96)"}));
    press(42);
    EXPECT_EQ(probe.seen, 2);
    form->removeEventFilter(&probe);
}

TEST_F(DispatchTest, HooksNeverStackAndUnhookedHotkeysDoNothing) {
    HookWindow(form.get());
    HookWindow(form.get());
    EXPECT_TRUE(IsWindowHooked());
    playing(StatePlaying, 100);
    EXPECT_EQ(press(2), QStringList({"getState", "seek(96)"}));

    UnhookWindow();
    EXPECT_FALSE(IsWindowHooked());
    EXPECT_TRUE(press(1).isEmpty());
    UnhookWindow();
    EXPECT_FALSE(IsWindowHooked());
    EXPECT_TRUE(press(7).isEmpty());
}

TEST_F(DispatchTest, RegisteredCombinationDrivesThePlayerUntilUnhooked) {
    FakeHotkeyBackend& backend = FakeHotkeyBackend::install();
    Hozon();
    LoadHotKeyForm();
    playing(StatePaused, 200);
    ASSERT_TRUE(backend.press(2, 32));
    EXPECT_EQ(engine->take(), QStringList({"getState", "seek(197)", "restart"}));
    ASSERT_TRUE(backend.press(2, 34));
    EXPECT_EQ(engine->take(), QStringList({"seek(600)"}));
    // The order of the window's close: unhook, then withdraw.
    UnhookWindow();
    EXPECT_TRUE(backend.press(2, 32));
    EXPECT_TRUE(engine->take().isEmpty());
    UnloadHotKeyForm();
    EXPECT_TRUE(backend.held.empty());
}

TEST_F(DispatchTest, WindowCloseUnhooksWithdrawsAndWritesTheKeyFile) {
    FakeHotkeyBackend& backend = FakeHotkeyBackend::install();
    LoadHotKeyForm();
    ASSERT_EQ(backend.held.size(), 8u);
    form->close();
    EXPECT_FALSE(IsWindowHooked());
    EXPECT_EQ(HotKeyForm, nullptr);
    EXPECT_TRUE(backend.held.empty());
    EXPECT_TRUE(QFile::exists(folder.filePath("hMEMKEY.txt")));
}

// --- dropped files ---

TEST_F(DispatchTest, DragOfLocalFilesIsAcceptedOthersAreNot) {
    std::unique_ptr<QMimeData> files(filesMime({"/tmp/a.mp3"}));
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, files.get(), Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(form.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());

    std::unique_ptr<QMimeData> web(filesMime({"https://example.org/a.mp3"}));
    QDragEnterEvent webEnter(QPoint(10, 10), Qt::CopyAction, web.get(), Qt::LeftButton,
                             Qt::NoModifier);
    QCoreApplication::sendEvent(form.get(), &webEnter);
    EXPECT_FALSE(webEnter.isAccepted());

    std::unique_ptr<QMimeData> text(new QMimeData);
    text->setText("/tmp/a.mp3");
    QDragEnterEvent textEnter(QPoint(10, 10), Qt::CopyAction, text.get(), Qt::LeftButton,
                              Qt::NoModifier);
    QCoreApplication::sendEvent(form.get(), &textEnter);
    EXPECT_FALSE(textEnter.isAccepted());
}

TEST_F(DispatchTest, DropOfThreeFilesOpensTheFirstOnlyAndBringsTheWindowToTheFront) {
    const QString first = folder.filePath("一つ目.mp3");
    engine->totalSeconds = 60;
    form->show();
    QWidget other;
    other.show();
    other.activateWindow();
    QCoreApplication::processEvents();
    engine->take();

    std::unique_ptr<QMimeData> mime(
        filesMime({first, folder.filePath("b.mp3"), folder.filePath("c.mp3")}));
    EXPECT_TRUE(dropOn(form.get(), mime.get()));
    // The file opens once the drop is over.
    QCoreApplication::processEvents();
    const QStringList calls = engine->take();
    EXPECT_EQ(calls.filter("open(").size(), 1) << calls.join(' ').toStdString();
    EXPECT_TRUE(calls.contains("open(" + first + ")")) << calls.join(' ').toStdString();
    EXPECT_EQ(History[1].Path, first);
    EXPECT_EQ(QApplication::activeWindow(), form.get());
}

TEST_F(DispatchTest, DropWithoutLocalFileOpensNothing) {
    std::unique_ptr<QMimeData> mime(filesMime({"https://example.org/a.mp3"}));
    EXPECT_FALSE(dropOn(form.get(), mime.get()));
    QCoreApplication::processEvents();
    EXPECT_TRUE(engine->take().filter("open(").isEmpty());
}

TEST_F(DispatchTest, DropOnAnUnhookedWindowOpensNothing) {
    UnhookWindow();
    std::unique_ptr<QMimeData> mime(filesMime({folder.filePath("a.mp3")}));
    EXPECT_FALSE(dropOn(form.get(), mime.get()));
    QCoreApplication::processEvents();
    EXPECT_TRUE(engine->take().filter("open(").isEmpty());
}
