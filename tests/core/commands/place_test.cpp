// The place kept for the open file: what the close stores in entry 1, and the
// snapshots of the settings file that survive a crash.
#include "core/commands/command_fixture.h"
#include "core/playback/place.h"
#include "core/save_failure.h"
#include "core/textfile.h"
#include "support/wait.h"

#include <QDir>
#include <QFile>
#include <optional>

using namespace modMain;

namespace {

class Place : public CommandFixture {
  protected:
    void SetUp() override {
        CommandFixture::SetUp();
        useSnapshots(50, 400);
        ResetSaveFailuresForTesting();
    }

    ~Place() override {
        if (snapshots)
            SetSnapshots(before);
    }

    // Snapshots with these timings in place of the program's.
    void useSnapshots(int settleMs, int playingIntervalMs) {
        if (snapshots)
            SetSnapshots(before);
        snapshots.emplace(settleMs, playingIntervalMs);
        before = SetSnapshots(&*snapshots);
    }

    // Entry line k (1 to 5) of the settings file on disk.
    QString storedEntry(int k) const {
        QFile file(QDir(folder.path()).filePath(SettingsFileName));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return textfile::decode(file.readAll()).split("\r\n").value(k);
    }

    std::optional<Snapshots> snapshots;
    Snapshots* before = nullptr;
};

TEST_F(Place, CloseBeforeTheFirstReadKeepsTheStoredPlace) {
    History[1] = {"/rec/a.mp3", 600};
    engine->totalSeconds = 900;
    OpenAudioFile("/rec/a.mp3");
    CurrentSeconds = 0; // the timer has not read the engine yet
    ShutDownPlayer();
    EXPECT_EQ(History[1].Position, 600);
    EXPECT_EQ(storedEntry(1), "\"/rec/a.mp3\",600");
}

TEST_F(Place, CloseStoresThePlaceTheTimerReadForTheOpenFile) {
    History[1] = {"/rec/a.mp3", 600};
    engine->totalSeconds = 900;
    OpenAudioFile("/rec/a.mp3");
    engine->position = 620;
    tick();
    ShutDownPlayer();
    EXPECT_EQ(storedEntry(1), "\"/rec/a.mp3\",620");
}

TEST_F(Place, AFailedReopenAtStartKeepsEveryStoredPlace) {
    for (const MessageResult answer : {MessageResult::Yes, MessageResult::No}) {
        History[1] = {"/media/stick/gone.mp3", 300};
        History[2] = {"/rec/b.mp3", 120};
        engine->openSucceeds = false;
        engine->lastError = 1;
        messages.answer(answer);
        OpenAudioFile(History[1].Path);
        tick(); // the timer reads a stopped engine at 0
        ShutDownPlayer();
        if (answer == MessageResult::Yes)
            EXPECT_EQ(storedEntry(1), "\"/rec/b.mp3\",120");
        else
            EXPECT_EQ(storedEntry(1), "\"/media/stick/gone.mp3\",300");
        ResetCommandsForTesting();
        FinishStartup();
    }
}

TEST_F(Place, AFailedOpenKeepsThePlaceOfTheFileItClosedWhateverOpensNext) {
    for (const bool anotherOpensNext : {false, true}) {
        SCOPED_TRACE(anotherOpensNext ? "another file opens next" : "closed next");
        History = {};
        History[1] = {"/rec/a.mp3", 10};
        engine->totalSeconds = 900;
        OpenAudioFile("/rec/a.mp3");
        engine->position = 444;
        tick();
        engine->openSucceeds = false;
        engine->lastError = 1;
        OpenAudioFile("/rec/missing.mp3");
        tick();
        engine->openSucceeds = true;
        if (anotherOpensNext)
            OpenAudioFile("/rec/c.mp3");
        ShutDownPlayer();
        EXPECT_EQ(storedEntry(anotherOpensNext ? 2 : 1), "\"/rec/a.mp3\",444");
        ResetCommandsForTesting();
        FinishStartup();
    }
}

TEST_F(Place, APauseIsOnDiskSoonWithoutTouchingTheHistoryInMemory) {
    History[1] = {"/rec/a.mp3", 100};
    engine->totalSeconds = 900;
    OpenAudioFile("/rec/a.mp3");
    EXPECT_TRUE(WaitUntil([&] { return storedEntry(1) == "\"/rec/a.mp3\",100"; }))
        << storedEntry(1).toStdString();
    engine->state = StatePlaying;
    engine->position = 130;
    tick();
    engine->state = StatePaused;
    engine->position = 131;
    tick();
    EXPECT_TRUE(WaitUntil([&] { return storedEntry(1) == "\"/rec/a.mp3\",131"; }))
        << storedEntry(1).toStdString();
    EXPECT_EQ(History[1].Position, 100) << "entry 1 keeps its resume point in memory";
}

TEST_F(Place, APedalTappedOnAndOffWritesNothing) {
    History[1] = {"/rec/a.mp3", 100};
    engine->totalSeconds = 900;
    OpenAudioFile("/rec/a.mp3");
    ASSERT_TRUE(WaitUntil([&] { return !storedEntry(1).isEmpty(); }));
    useSnapshots(60000, 60000);
    for (Long at : {140, 150, 160}) {
        engine->state = StatePlaying;
        engine->position = at;
        tick();
        engine->state = StatePaused;
        tick();
        engine->state = StatePlaying;
        tick();
    }
    // Nothing is due: the settling time has not passed.
    QCoreApplication::processEvents();
    EXPECT_EQ(storedEntry(1), "\"/rec/a.mp3\",100");
}

TEST_F(Place, PlayingIsWrittenAtTheInterval) {
    History[1] = {"/rec/a.mp3", 0};
    engine->totalSeconds = 900;
    OpenAudioFile("/rec/a.mp3");
    engine->state = StatePlaying;
    Long at = 0;
    // The timer ticks on while playing; a later place reaches the disk.
    EXPECT_TRUE(WaitUntil(
        [&] {
            engine->position = ++at;
            tick();
            return storedEntry(1).startsWith("\"/rec/a.mp3\",") &&
                   storedEntry(1) != "\"/rec/a.mp3\",0";
        },
        10000));
}

TEST_F(Place, AFailedSaveIsToldOnceAndTheOldFileStays) {
    // A folder where the file should be: no write can replace it, even as root.
    ASSERT_TRUE(QDir(folder.path()).mkdir(SettingsFileName));
    SaveSettings();
    SaveSettings();
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].title, "エラー");
    EXPECT_TRUE(messages.calls[0].text.contains(QDir(folder.path()).filePath(SettingsFileName)));
    EXPECT_EQ(messages.calls[0].icon, MessageIcon::Warning);
}

TEST_F(Place, NamesWithLineBreaksReadBackExactly) {
    History[1] = {"/rec/line\r\nbreak.mp3", 61};
    History[2] = {"/rec/cr\ronly\nlf.mp3", 62};
    History[3] = {"/rec/after.mp3", 63};
    SaveSettings();
    const HistoryTable saved = History;
    History = {};
    LoadSettings();
    EXPECT_EQ(History, saved);
}

} // namespace
