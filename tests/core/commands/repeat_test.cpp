// Repeat mode against the recording engine: switching on at various places,
// the loop, the locked transport and how play/pause ends it.
#include "core/commands/command_fixture.h"

using namespace modMain;

namespace {

class CommandsRepeat : public CommandFixture {
  protected:
    void SetUp() override {
        CommandFixture::SetUp();
        RepSeconds = 10;
    }

    // The transport controls repeat mode locks.
    void expectLocked(bool locked) { EXPECT_EQ(view.transportLocked, locked); }

    // One pass of both timers with the engine at `position`.
    QStringList passAt(std::int32_t position) {
        engine->position = position;
        tick();
        RepeatTimerTick();
        return engine->take();
    }
};

TEST_F(CommandsRepeat, OnAt25LoopsFrom15) {
    playing(StatePlaying, 25);
    clickRepeat(true);
    EXPECT_EQ(engine->take(), QStringList({"seek(15)", "restart"}));
    EXPECT_EQ(RepeatOn, -1);
    EXPECT_EQ(RepeatEndSeconds, 25);
    EXPECT_EQ(view.repeatCaption, "ﾘﾋﾟｰﾄ中");
    EXPECT_EQ(view.repeatTime, "00:00:25");
    EXPECT_TRUE(view.repeatTimerRunning);
    expectLocked(true);

    EXPECT_EQ(passAt(16), QStringList());
    EXPECT_EQ(passAt(24), QStringList());
    EXPECT_EQ(passAt(25), QStringList({"seek(15)"}));
    // A second test before the timer has seen the jump lands on the same A.
    RepeatTimerTick();
    EXPECT_EQ(engine->take(), QStringList({"seek(15)"}));
    EXPECT_EQ(passAt(15), QStringList());
    EXPECT_EQ(passAt(25), QStringList({"seek(15)"}));

    // A new span moves A at the next jump.
    RepSeconds = 3;
    EXPECT_EQ(passAt(25), QStringList({"seek(22)"}));
}

TEST_F(CommandsRepeat, OnAt4LoopsFromTheStart) {
    playing(StatePaused, 4);
    clickRepeat(true);
    EXPECT_EQ(engine->take(), QStringList({"seek(0)", "restart"}));
    EXPECT_EQ(engine->state, StatePlaying) << "repeat plays from A whatever the state was";
    EXPECT_EQ(view.repeatTime, "00:00:04");
    EXPECT_EQ(passAt(4), QStringList({"seek(0)"}));
    EXPECT_EQ(passAt(0), QStringList());
    EXPECT_EQ(passAt(4), QStringList({"seek(0)"}));
}

TEST_F(CommandsRepeat, OnWhileStoppedOnlyTicksTheBox) {
    playing(StateStopped, 0);
    clickRepeat(true);
    EXPECT_EQ(engine->take(), QStringList());
    EXPECT_TRUE(view.repeatChecked);
    EXPECT_EQ(RepeatOn, -1);
    EXPECT_FALSE(view.repeatTimerRunning);
    EXPECT_EQ(view.repeatCaption, "");
    EXPECT_EQ(view.repeatTime, "");
    expectLocked(false);

    // Play starts; the next press in the playing state clears the box.
    TogglePlayPause();
    EXPECT_EQ(engine->take(), QStringList({"play"}));
    TogglePlayPause();
    EXPECT_EQ(engine->take(), QStringList());
    EXPECT_FALSE(view.repeatChecked);
    EXPECT_EQ(RepeatOn, 0);
    EXPECT_EQ(engine->state, StatePlaying);
}

TEST_F(CommandsRepeat, PlayPauseEndsRepeatFirstAndPausesOnTheSecondPress) {
    playing(StatePlaying, 60);
    clickRepeat(true);
    engine->take();
    engine->position = 55;

    TogglePlayPause();
    EXPECT_EQ(engine->take(), QStringList()) << "no seek, no pause";
    EXPECT_FALSE(view.repeatChecked);
    EXPECT_EQ(RepeatOn, 0);
    EXPECT_FALSE(view.repeatTimerRunning);
    EXPECT_EQ(view.repeatCaption, "");
    EXPECT_EQ(view.repeatTime, "");
    expectLocked(false);
    EXPECT_EQ(engine->state, StatePlaying);
    EXPECT_EQ(engine->position, 55);

    TogglePlayPause();
    EXPECT_EQ(engine->take(), QStringList({"pause"}));
}

TEST_F(CommandsRepeat, SwitchingOffLeavesPlaybackWhereItIs) {
    playing(StatePlaying, 60);
    clickRepeat(true);
    engine->take();
    clickRepeat(false);
    EXPECT_EQ(engine->take(), QStringList());
    expectLocked(false);
    EXPECT_EQ(view.repeatCaption, "");
    EXPECT_FALSE(view.repeatTimerRunning);
}

TEST_F(CommandsRepeat, OnAtTheEndRestsPausedAtA) {
    playing(StatePaused, 600, 600);
    clickRepeat(true);
    EXPECT_EQ(engine->take(), QStringList({"seek(590)", "restart"}));
    // Reaching the end, the end-of-file pause and the jump back meet.
    EXPECT_EQ(passAt(600), QStringList({"pause", "seek(590)"}));
    EXPECT_EQ(engine->state, StatePaused);
    EXPECT_EQ(engine->position, 590);
}

TEST_F(CommandsRepeat, JumpsToTheEndsStillWork) {
    playing(StatePlaying, 100, 600);
    clickRepeat(true);
    engine->take();
    Execute(Command::ToStart);
    Execute(Command::ToEnd);
    EXPECT_EQ(engine->take(), QStringList({"seek(0)", "seek(600)"}));
    EXPECT_EQ(passAt(600), QStringList({"pause"}));
}

TEST_F(CommandsRepeat, OpeningAnotherFileKeepsRepeatOn) {
    playing(StatePlaying, 30);
    clickRepeat(true);
    engine->totalSeconds = 90;
    OpenAudioFile("/rec/b.wav");
    EXPECT_EQ(RepeatOn, -1);
    EXPECT_TRUE(view.repeatChecked);
    EXPECT_TRUE(view.repeatTimerRunning);
    EXPECT_EQ(RepeatEndSeconds, 30);
}

} // namespace
