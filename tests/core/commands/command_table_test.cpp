// The command table: stable names, the commands that need a definite state or
// an argument, and when a command may run.
#include "core/commands/command_fixture.h"

#include <QCoreApplication>
#include <set>

using namespace modMain;

namespace {

using CommandTableTest = CommandFixture;

TEST_F(CommandTableTest, NamesAreStableUniqueAndFindTheirCommand) {
    const QStringList expected = {"play-pause", "rewind",     "forward",     "repeat",
                                  "speed-up",   "speed-down", "to-start",    "to-end",
                                  "copy-time",  "play",       "pause",       "seek-to",
                                  "set-speed",  "open",       "levelling",   "noise-reduction",
                                  "low-cut",    "channel",    "insert-time", "seek-to-selection"};
    QStringList names;
    std::set<QString> displayNames;
    for (const CommandInfo& info : CommandTable()) {
        names << info.name;
        displayNames.insert(info.displayName);
        EXPECT_EQ(CommandNamed(info.name), info.command);
        EXPECT_EQ(InfoOf(info.command).name, info.name);
    }
    EXPECT_EQ(names, expected);
    EXPECT_EQ(displayNames.size(), expected.size());
    EXPECT_EQ(InfoOf(Command::PlayPause).displayName, "再生/一時停止");
    EXPECT_EQ(InfoOf(Command::CopyTime).displayName, "時刻をコピー");
    EXPECT_EQ(InfoOf(Command::InsertTime).displayName, "時刻を挿入");
    EXPECT_EQ(InfoOf(Command::SeekToSelection).displayName, "選択した時刻へ");
    EXPECT_FALSE(CommandNamed("Play-Pause"));
    EXPECT_FALSE(CommandNamed(""));
    for (int record = 1; record <= 8; ++record)
        EXPECT_EQ(InfoOf(*CommandOfRecord(record)).name, expected[record - 1]);
    EXPECT_FALSE(CommandOfRecord(9));
    EXPECT_FALSE(CommandOfRecord(0));
}

TEST_F(CommandTableTest, PlayResumesLikeTheHotkeyAndNeverPauses) {
    RevSeconds = 3;
    playing(StatePaused, 200);
    EXPECT_EQ(run("play"), QStringList({"seek(197)", "restart"}));
    EXPECT_EQ(run("play"), QStringList());
    playing(StateStopped, 0);
    EXPECT_EQ(run("play"), QStringList({"play"}));
}

TEST_F(CommandTableTest, PauseOnlyWhilePlayingAndEndsRepeatModeFirst) {
    playing(StatePaused, 50);
    EXPECT_EQ(run("pause"), QStringList());
    RepSeconds = 10;
    playing(StatePlaying, 50);
    clickRepeat(true);
    engine->take();
    EXPECT_EQ(run("pause"), QStringList({"pause"}));
    EXPECT_EQ(RepeatOn, 0);
    EXPECT_FALSE(view.repeatChecked);
    EXPECT_FALSE(view.repeatTimerRunning);
    EXPECT_FALSE(view.transportLocked);
}

TEST_F(CommandTableTest, SeekToClampsToTheFileAndHoldsTheRepeatLock) {
    playing(StatePlaying, 100, 600);
    EXPECT_EQ(run("seek-to", 250), QStringList({"seek(250)"}));
    EXPECT_EQ(run("seek-to", 9000), QStringList({"seek(600)"}));
    EXPECT_EQ(run("seek-to", -4), QStringList({"seek(0)"}));
    EXPECT_EQ(run("seek-to", qint64{1} << 40), QStringList({"seek(600)"}));
    playing(StateStopped, 0, 0);
    EXPECT_EQ(run("seek-to", 10), QStringList()) << "no file, no seek";
    RepSeconds = 10;
    playing(StatePlaying, 100, 600);
    clickRepeat(true);
    engine->take();
    EXPECT_TRUE(run("seek-to", 10).isEmpty());
}

TEST_F(CommandTableTest, SetSpeedTakesTheSpeedPathWithinItsLimits) {
    EXPECT_EQ(run("set-speed", 150), QStringList({"setPitch(150)"}));
    EXPECT_EQ(view.speed, 150);
    EXPECT_EQ(Pitch, 150);
    EXPECT_TRUE(run("set-speed", 150).isEmpty()) << "the field already shows it";
    EXPECT_EQ(run("set-speed", 1000), QStringList({"setPitch(300)"}));
    EXPECT_EQ(run("set-speed", 0), QStringList({"setPitch(50)"}));
    EXPECT_EQ(run("speed-up"), QStringList({"setPitch(55)"}));
}

TEST_F(CommandTableTest, CopyTimeCopiesThePlaceInBrackets) {
    playing(StatePlaying, 3725);
    EXPECT_EQ(run("copy-time"), QStringList());
    engine->position = 360001;
    run("copy-time");
    EXPECT_EQ(view.copied, QStringList({"[01:02:05]", "[100:00:01]"}));
}

TEST_F(CommandTableTest, OpenRunsAsADropOpens) {
    engine->totalSeconds = 90;
    EXPECT_EQ(run("open", "/rec/a.mp3"),
              QStringList({"close", "open(/rec/a.mp3)", "play", "pause", "setPitch(100)"}));
    EXPECT_EQ(History[1].Path, "/rec/a.mp3");
    EXPECT_EQ(view.title, "a.mp3 - メモタップ");
    EXPECT_EQ(view.totalTime, "/ 00:01:30");
    EXPECT_EQ(view.seekMaximum, 90);
}

TEST_F(CommandTableTest, AnExactLengthThatArrivesLaterReachesTheWindow) {
    playing(StatePlaying, 10, 600);
    engine->exactLength = 700;
    tick();
    EXPECT_EQ(FileInfo.TotalSeconds, 700);
    EXPECT_EQ(view.seekMaximum, 700);
    EXPECT_EQ(view.totalTime, "/ 00:11:40");
    // Reaching the estimate no longer pauses; the true end does.
    engine->position = 600;
    tick();
    EXPECT_EQ(engine->take().filter("pause"), QStringList());
    engine->position = 700;
    tick();
    EXPECT_EQ(engine->take().filter("pause"), QStringList({"pause"}));
}

TEST_F(CommandTableTest, CommandsBeforeTheEndOfStartUpWaitAndRunInOrder) {
    ResetCommandsForTesting();
    RevSeconds = 0;
    playing(StatePaused, 40);
    run("play-pause");
    run("to-start");
    run("open", "/rec/b.mp3");
    EXPECT_TRUE(engine->take().isEmpty());
    FinishStartup();
    EXPECT_EQ(engine->take(), QStringList({"seek(40)", "restart", "seek(0)", "close",
                                           "open(/rec/b.mp3)", "play", "pause", "setPitch(100)"}));
}

TEST_F(CommandTableTest, AnOpenWaitsForTheOpenBoxOthersDoNot) {
    playing(StatePaused, 40);
    QStringList duringBox;
    modMain::SetMessageHookForTesting([&](const MessageCall&) {
        Execute(Command::Open, QStringLiteral("/rec/c.mp3"));
        Execute(Command::ToEnd);
        duringBox = engine->take();
        return MessageResult::Ok;
    });
    ShowMessage("a box of the player");
    EXPECT_EQ(duringBox, QStringList({"seek(600)"}));
    EXPECT_TRUE(engine->take().isEmpty()) << "the box's caller has not returned yet";
    QCoreApplication::processEvents();
    EXPECT_EQ(engine->take().filter("open("), QStringList({"open(/rec/c.mp3)"}));
}

TEST_F(CommandTableTest, NothingRunsOnceThePlayerCloses) {
    playing(StatePlaying, 40);
    BeginShutdown();
    for (const CommandInfo& info : CommandTable())
        Execute(info.command, QStringLiteral("/rec/d.mp3"));
    FinishStartup();
    QCoreApplication::processEvents();
    EXPECT_TRUE(engine->take().isEmpty());
}

} // namespace
