// Repeat mode against the recording engine: switching on at various places,
// the loop, the locked transport and how play/pause ends it.
#include "playback/player_fixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

using namespace modMain;

namespace {

class CommandsRepeat : public PlayerFixture {
  protected:
    void SetUp() override {
        PlayerFixture::SetUp();
        RepSeconds = 10;
    }

    // The transport controls repeat mode locks, and the two jumps it leaves.
    void expectLocked(bool locked) {
        EXPECT_EQ(form->hsbSeek->isEnabled(), !locked);
        EXPECT_EQ(form->cmdPlayPause->isEnabled(), !locked);
        EXPECT_EQ(form->cmdFF->isEnabled(), !locked);
        EXPECT_EQ(form->cmdREW->isEnabled(), !locked);
        EXPECT_TRUE(form->cmdSetStart->isEnabled());
        EXPECT_TRUE(form->cmdSetEnd->isEnabled());
    }

    // One pass of both timers with the engine at `position`.
    QStringList passAt(std::int32_t position) {
        engine->position = position;
        tick();
        form->tmrRep_Timer();
        return engine->take();
    }
};

TEST_F(CommandsRepeat, OnAt25LoopsFrom15) {
    playing(StatePlaying, 25);
    form->chkRep->setChecked(true);
    EXPECT_EQ(engine->take(), QStringList({"getState", "seek(15)", "restart"}));
    EXPECT_EQ(RepeatOn, -1);
    EXPECT_EQ(RepeatEndSeconds, 25);
    EXPECT_EQ(form->lblRep->text(), "ﾘﾋﾟｰﾄ中");
    EXPECT_EQ(form->lblRepTime->text(), "00:00:25");
    EXPECT_TRUE(form->tmrRep->isActive());
    EXPECT_EQ(form->tmrRep->interval(), 200);
    expectLocked(true);

    EXPECT_EQ(passAt(16), QStringList({"getState"}));
    EXPECT_EQ(passAt(24), QStringList({"getState"}));
    EXPECT_EQ(passAt(25), QStringList({"getState", "seek(15)"}));
    // A second test before the timer has seen the jump lands on the same A.
    form->tmrRep_Timer();
    EXPECT_EQ(engine->take(), QStringList({"seek(15)"}));
    EXPECT_EQ(passAt(15), QStringList({"getState"}));
    EXPECT_EQ(passAt(25), QStringList({"getState", "seek(15)"}));

    // A new span moves A at the next jump.
    form->udRep->setValue(3);
    EXPECT_EQ(passAt(25), QStringList({"getState", "seek(22)"}));
}

TEST_F(CommandsRepeat, OnAt4LoopsFromTheStart) {
    playing(StatePaused, 4);
    form->chkRep->setChecked(true);
    EXPECT_EQ(engine->take(), QStringList({"getState", "seek(0)", "restart"}));
    EXPECT_EQ(engine->state, StatePlaying) << "repeat plays from A whatever the state was";
    EXPECT_EQ(form->lblRepTime->text(), "00:00:04");
    EXPECT_EQ(passAt(4), QStringList({"getState", "seek(0)"}));
    EXPECT_EQ(passAt(0), QStringList({"getState"}));
    EXPECT_EQ(passAt(4), QStringList({"getState", "seek(0)"}));
}

TEST_F(CommandsRepeat, OnWhileStoppedOnlyTicksTheBox) {
    playing(StateStopped, 0);
    form->chkRep->setChecked(true);
    EXPECT_EQ(engine->take(), QStringList({"getState"}));
    EXPECT_TRUE(form->chkRep->isChecked());
    EXPECT_EQ(RepeatOn, -1);
    EXPECT_FALSE(form->tmrRep->isActive());
    EXPECT_EQ(form->lblRep->text(), "");
    EXPECT_EQ(form->lblRepTime->text(), "");
    expectLocked(false);

    // Play starts; the next press in the playing state clears the box.
    TogglePlayPause();
    EXPECT_EQ(engine->take(), QStringList({"getState", "play"}));
    TogglePlayPause();
    EXPECT_EQ(engine->take(), QStringList({"getState"}));
    EXPECT_FALSE(form->chkRep->isChecked());
    EXPECT_EQ(RepeatOn, 0);
    EXPECT_EQ(engine->state, StatePlaying);
}

TEST_F(CommandsRepeat, PlayPauseEndsRepeatFirstAndPausesOnTheSecondPress) {
    playing(StatePlaying, 60);
    form->chkRep->setChecked(true);
    engine->take();
    engine->position = 55;

    TogglePlayPause();
    EXPECT_EQ(engine->take(), QStringList({"getState"})) << "no seek, no pause";
    EXPECT_FALSE(form->chkRep->isChecked());
    EXPECT_EQ(RepeatOn, 0);
    EXPECT_FALSE(form->tmrRep->isActive());
    EXPECT_EQ(form->lblRep->text(), "");
    EXPECT_EQ(form->lblRepTime->text(), "");
    expectLocked(false);
    EXPECT_EQ(engine->state, StatePlaying);
    EXPECT_EQ(engine->position, 55);

    TogglePlayPause();
    EXPECT_EQ(engine->take(), QStringList({"getState", "pause"}));
}

TEST_F(CommandsRepeat, SwitchingOffLeavesPlaybackWhereItIs) {
    playing(StatePlaying, 60);
    form->chkRep->setChecked(true);
    engine->take();
    form->chkRep->setChecked(false);
    EXPECT_EQ(engine->take(), QStringList());
    expectLocked(false);
    EXPECT_EQ(form->lblRep->text(), "");
    EXPECT_FALSE(form->tmrRep->isActive());
}

TEST_F(CommandsRepeat, OnAtTheEndRestsPausedAtA) {
    playing(StatePaused, 600, 600);
    form->chkRep->setChecked(true);
    EXPECT_EQ(engine->take(), QStringList({"getState", "seek(590)", "restart"}));
    // Reaching the end, the end-of-file pause and the jump back meet.
    EXPECT_EQ(passAt(600), QStringList({"getState", "pause", "seek(590)"}));
    EXPECT_EQ(engine->state, StatePaused);
    EXPECT_EQ(engine->position, 590);
}

TEST_F(CommandsRepeat, JumpsToTheEndsStillWork) {
    playing(StatePlaying, 100, 600);
    form->chkRep->setChecked(true);
    engine->take();
    form->cmdSetStart->click();
    form->cmdSetEnd->click();
    EXPECT_EQ(engine->take(), QStringList({"seek(0)", "seek(600)"}));
    EXPECT_EQ(passAt(600), QStringList({"getState", "pause"}));
}

TEST_F(CommandsRepeat, OpeningAnotherFileKeepsRepeatOn) {
    playing(StatePlaying, 30);
    form->chkRep->setChecked(true);
    engine->totalSeconds = 90;
    OpenAudioFile("/rec/b.wav");
    EXPECT_EQ(RepeatOn, -1);
    EXPECT_TRUE(form->chkRep->isChecked());
    EXPECT_TRUE(form->tmrRep->isActive());
    EXPECT_EQ(RepeatEndSeconds, 30);
}

} // namespace
