// Play/pause, the steps, the jumps and the seek bar against the recording
// engine: the exact calls each command makes at the edges of its rules.
#include "ui/player/player_fixture.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

using namespace modMain;

namespace {

using CommandsTransport = PlayerFixture;

TEST_F(CommandsTransport, ResumeReplaysTheLastRevSeconds) {
    struct Case {
        Long rev;
        std::int32_t pausedAt;
        std::int32_t resumesAt;
    };
    for (const Case c : {Case{5, 3, 0}, Case{5, 12, 7}, Case{5, 5, 0}, Case{5, 6, 1},
                         Case{0, 12, 12}, Case{0, 0, 0}}) {
        RevSeconds = c.rev;
        playing(StatePaused, c.pausedAt);
        form->cmdPlayPause->click();
        EXPECT_EQ(engine->take(), QStringList({QString("seek(%1)").arg(c.resumesAt), "restart"}))
            << "paused at " << c.pausedAt << " with RevSeconds " << c.rev;
        EXPECT_EQ(engine->state, StatePlaying);
    }
}

TEST_F(CommandsTransport, PlayPauseByState) {
    RevSeconds = 3;
    playing(StateStopped, 0);
    TogglePlayPause();
    EXPECT_EQ(engine->take(), QStringList({"play"}));

    playing(StatePlaying, 200);
    TogglePlayPause();
    EXPECT_EQ(engine->take(), QStringList({"pause"}));

    // The walk-through of one hotkey press: paused at 00:03:20, a press
    // resumes from 197 s, the next tick shows it, a second press pauses.
    TogglePlayPause();
    EXPECT_EQ(engine->take(), QStringList({"seek(197)", "restart"}));
    tick();
    EXPECT_EQ(form->lblState->text(), "再生中");
    EXPECT_EQ(form->lblPTime->text(), "00:03:17");
    EXPECT_EQ(form->hsbSeek->value(), 197);
    engine->take();
    TogglePlayPause();
    EXPECT_EQ(engine->take(), QStringList({"pause"}));

    // A state the engine does not define is left alone.
    engine->state = 7;
    TogglePlayPause();
    EXPECT_EQ(engine->take(), QStringList());
}

TEST_F(CommandsTransport, FastForwardNearTheEndLandsOnTheEndAndTheNextTickPauses) {
    RewFFSeconds = 4;
    playing(StatePlaying, 598, 600);
    form->cmdFF->click();
    EXPECT_EQ(engine->take(), QStringList({"seek(600)"}));
    tick();
    EXPECT_EQ(engine->take(), QStringList({"pause"}));
    EXPECT_EQ(form->lblPTime->text(), "00:10:00");
    EXPECT_EQ(form->hsbSeek->value(), 600);
    tick();
    EXPECT_EQ(engine->take(), QStringList());
    EXPECT_EQ(form->lblState->text(), "一時停止");

    // One short of a full step from the end lands on the end as well; a full
    // step before it is an ordinary step.
    playing(StatePaused, 596, 600);
    FastForward();
    EXPECT_EQ(engine->take(), QStringList({"seek(600)"}));
    playing(StatePaused, 595, 600);
    FastForward();
    EXPECT_EQ(engine->take(), QStringList({"seek(599)"}));
    EXPECT_EQ(engine->state, StatePaused) << "a paused player stays paused";
}

TEST_F(CommandsTransport, RewindStopsAtTheStart) {
    RewFFSeconds = 4;
    for (const auto& [at, lands] :
         {std::pair{4, 0}, std::pair{5, 1}, std::pair{2, 0}, std::pair{0, 0}, std::pair{100, 96}}) {
        playing(StatePaused, at);
        form->cmdREW->click();
        EXPECT_EQ(engine->take(), QStringList({QString("seek(%1)").arg(lands)}))
            << "rewinding from " << at;
    }
}

TEST_F(CommandsTransport, StoppedEngineIgnoresStepsAndBarButNotTheJumps) {
    RewFFSeconds = 4;
    playing(StateStopped, 0, 600);
    FastForward();
    Rewind();
    form->hsbSeek->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    form->hsbSeek->setSliderDown(true);
    form->hsbSeek->setSliderPosition(300);
    form->hsbSeek->setSliderDown(false);
    EXPECT_EQ(engine->take(), QStringList());
    form->cmdSetStart->click();
    form->cmdSetEnd->click();
    EXPECT_EQ(engine->take(), QStringList({"seek(0)", "seek(600)"}));
}

TEST_F(CommandsTransport, SeekToEndWhilePlayingPausesAtTheEndOnTheNextTick) {
    playing(StatePlaying, 100, 600);
    SeekToEnd();
    EXPECT_EQ(engine->take(), QStringList({"seek(600)"}));
    tick();
    EXPECT_EQ(engine->take(), QStringList({"pause"}));
    SeekToStart();
    EXPECT_EQ(engine->take(), QStringList({"seek(0)"}));
    EXPECT_EQ(engine->state, StatePaused);
}

TEST_F(CommandsTransport, SeekBarArrowsAndTroughWithinAndBeyondItsEnds) {
    form->hsbSeek->setSingleStep(4);
    form->hsbSeek->setPageStep(4);
    QScrollBar* bar = form->hsbSeek;

    playing(StatePaused, 50, 600);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(engine->take(), QStringList({"seek(54)"}));
    tick();
    engine->take();
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(engine->take(), QStringList({"seek(50)"}));
    EXPECT_EQ(engine->state, StatePaused);

    // Cut short by the maximum: 598 -> 600 lies within one step ahead.
    playing(StatePlaying, 598, 600);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(bar->value(), 600);
    EXPECT_EQ(engine->take(), QStringList());
    // At the maximum itself nothing changes at all.
    playing(StatePaused, 600, 600);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(engine->take(), QStringList());

    // Cut short by the minimum: 2 -> 0 is behind the position and seeks.
    playing(StatePaused, 2, 600);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(engine->take(), QStringList({"seek(0)"}));

    // A value set from elsewhere (not by the timer) that the engine is not at.
    playing(StatePaused, 10, 600);
    bar->setValue(300);
    EXPECT_EQ(engine->take(), QStringList({"seek(300)"}));
}

TEST_F(CommandsTransport, TimerFollowsPlaybackWithoutSeeking) {
    playing(StatePlaying, 30, 600);
    engine->position = 31;
    tick();
    EXPECT_EQ(engine->take(), QStringList());
    EXPECT_EQ(form->hsbSeek->value(), 31);
    EXPECT_EQ(CurrentSeconds, 31);

    // A position beyond the bar's end (a length the engine under-reported) is
    // shown at the end and does not drag playback back there.
    engine->position = 640;
    tick();
    EXPECT_EQ(engine->take(), QStringList());
    EXPECT_EQ(form->hsbSeek->value(), 600);
    EXPECT_EQ(form->lblPTime->text(), "00:10:40");
    EXPECT_EQ(engine->position, 640);
}

TEST_F(CommandsTransport, DraggingTheThumbSeeksAndTheTimerLeavesItAlone) {
    playing(StatePlaying, 100, 600);
    QScrollBar* bar = form->hsbSeek;
    bar->setSliderDown(true);
    bar->setSliderPosition(400);
    EXPECT_EQ(engine->take(), QStringList({"seek(400)"}));
    EXPECT_EQ(bar->value(), 100) << "the value waits for the release";

    // The engine has moved on a little; the thumb stays under the mouse.
    engine->position = 401;
    tick();
    EXPECT_EQ(bar->sliderPosition(), 400);
    EXPECT_EQ(engine->take(), QStringList());

    bar->setSliderPosition(420);
    EXPECT_EQ(engine->take(), QStringList({"seek(420)"}));
    // Releasing commits the value where playback already is: no second seek.
    bar->setSliderDown(false);
    EXPECT_EQ(bar->value(), 420);
    EXPECT_EQ(engine->take(), QStringList());
}

TEST_F(CommandsTransport, TimerShowsStateAndPosition) {
    playing(StateStopped, 0);
    EXPECT_EQ(form->lblState->text(), "停止");
    playing(StatePaused, 3725);
    EXPECT_EQ(form->lblState->text(), "一時停止");
    EXPECT_EQ(form->lblPTime->text(), "01:02:05");
    playing(StatePlaying, 3726);
    EXPECT_EQ(form->lblState->text(), "再生中");
    // Any other state leaves the text as it was.
    engine->state = 9;
    engine->position = 10;
    tick();
    EXPECT_EQ(form->lblState->text(), "再生中");
    EXPECT_EQ(form->lblPTime->text(), "00:00:10");

    // When the engine writes no position, the last one stands.
    engine->writePosition = false;
    engine->state = StatePlaying;
    engine->position = 50;
    tick();
    EXPECT_EQ(CurrentSeconds, 10);
}

TEST_F(CommandsTransport, LongRecordingsUseTheWholeBar) {
    // Eleven hours: far beyond what a 16-bit bar could hold.
    const std::int32_t total = 11 * 3600;
    RewFFSeconds = 4;
    form->hsbSeek->setSingleStep(4);
    form->hsbSeek->setPageStep(4);
    playing(StatePlaying, 39000, total);
    EXPECT_EQ(form->hsbSeek->value(), 39000);
    EXPECT_EQ(form->lblPTime->text(), "10:50:00");
    form->hsbSeek->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(engine->take(), QStringList({"seek(39004)"}));
    playing(StatePlaying, total - 1, total);
    FastForward();
    EXPECT_EQ(engine->take(), QStringList({QString("seek(%1)").arg(total)}));
}

} // namespace
