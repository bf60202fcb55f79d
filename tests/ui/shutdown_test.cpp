// The close handler's order against the recording engine, and the place of
// the window it saves.
#include "app/startup.h"
#include "core/messagebox.h"
#include "core/modMain.h"
#include "core/playback/free_engine.h"
#include "core/settings.h"
#include "core/textfile.h"
#include "support/fake_engine.h"
#include "support/message_recorder.h"
#include "ui/forms.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

using namespace modMain;

namespace {

class Shutdown : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetAppPathForTesting(dir.path());
        CreateWindows();
        ASSERT_NE(MainForm, nullptr);
        boxes.calls.clear();
    }
    void TearDown() override { SetAppPathForTesting({}); }

    // The file as entry 1 from resume point `from`, opened, and read by the
    // window's timer at `at`.
    void playAt(const QString& path, Long from, std::int32_t at) {
        History[1] = {path, from};
        engine.totalSeconds = 3600;
        OpenAudioFile(path);
        engine.position = at;
        MainForm->tmrMain_Timer();
    }

    QStringList closeAndTakeCalls() {
        engine.take();
        MainForm->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return engine.take();
    }

    QStringList settingsLines() {
        QFile file(dir.filePath(SettingsFileName));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return textfile::decode(file.readAll()).split("\r\n");
    }

    QTemporaryDir dir;
    FakeEngine& engine = FakeEngine::install();
    MessageRecorder boxes;
};

TEST_F(Shutdown, CloseSwitchesEqualizerOffStopsSavesThePositionThenFrees) {
    playAt("/recordings/meeting.mp3", 10, 754);
    // Freeing may wait for a share that stopped answering: the place is saved by then.
    QString savedAtFree;
    engine.onFree = [&] { savedAtFree = settingsLines().value(1); };
    EXPECT_EQ(closeAndTakeCalls(), QStringList({"setEqualizer(null)", "stop", "free"}));
    EXPECT_EQ(savedAtFree, "\"/recordings/meeting.mp3\",754");
    EXPECT_EQ(MainForm, nullptr);
    const QStringList lines = settingsLines();
    ASSERT_GE(lines.size(), 19);
    EXPECT_EQ(lines[1], "\"/recordings/meeting.mp3\",754");
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(Shutdown, MenuCloseGivesTheSameSequenceAndFile) {
    playAt("/recordings/meeting.mp3", 10, 754);
    engine.take();
    MainForm->mnuClose->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(engine.take(), QStringList({"setEqualizer(null)", "stop", "free"}));
    EXPECT_EQ(settingsLines().value(1), "\"/recordings/meeting.mp3\",754");
}

TEST_F(Shutdown, TimersStopBeforeTheEngineIsFreed) {
    CurrentSeconds = 5;
    closeAndTakeCalls();
    engine.take();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 300);
    EXPECT_TRUE(engine.calls.isEmpty()) << engine.calls.join(' ').toStdString();
}

TEST_F(Shutdown, StoredWindowPositionIsTheWindowsOwn) {
    MainForm->move(40, 60);
    closeAndTakeCalls();
    const QStringList first = settingsLines().value(0).split(',');
    ASSERT_EQ(first.size(), 3);
    EXPECT_EQ(first[0].toInt() % TwipsPerPixel, 0);
    EXPECT_EQ(first[0].toInt(), WindowLeft);
    EXPECT_EQ(first[1].toInt(), WindowTop);
}

TEST(WindowPlace, SavedCornerIsTheFramesAlsoWhenMinimised) {
    QTemporaryDir dir;
    SetAppPathForTesting(dir.path());
    FakeEngine::install();
    frmMain window;
    window.move(-120, 45);
    SaveSettings();
    EXPECT_EQ(WindowLeft, -1800);
    EXPECT_EQ(WindowTop, 675);
    // Minimised, the place it will come back to is saved.
    window.show();
    window.move(200, 100);
    window.showMinimized();
    SaveSettings();
    EXPECT_EQ(WindowLeft, 3000);
    EXPECT_EQ(WindowTop, 1500);
    SetAppPathForTesting({});
}

// libmpv's teardown may wait for good on a share that stopped answering: the
// player then gives up on it rather than live on without a window.
TEST(EngineFree, AFreeThatDoesNotReturnIsGivenUpOn) {
    FakeEngine& engine = FakeEngine::install();
    auto gaveUp = std::make_shared<std::promise<void>>();
    const std::shared_future<void> given = gaveUp->get_future().share();
    engine.onFree = [given] { given.wait_for(std::chrono::seconds(30)); };
    FreeEngineWithin(std::chrono::milliseconds(50), [gaveUp] { gaveUp->set_value(); });
    EXPECT_EQ(given.wait_for(std::chrono::seconds(0)), std::future_status::ready)
        << "the free returned only when its 30 s ran out";
}

TEST(EngineFree, AFreeThatReturnsIsLeftAlone) {
    FakeEngine& engine = FakeEngine::install();
    auto gaveUp = std::make_shared<std::atomic<bool>>(false);
    FreeEngineWithin(std::chrono::milliseconds(20), [gaveUp] { *gaveUp = true; });
    EXPECT_EQ(engine.take(), QStringList({"free"}));
    // Well past the limit: a watch that missed the end of the free would have fired.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(*gaveUp);
}

} // namespace
