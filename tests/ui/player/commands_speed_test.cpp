// The four number fields: speed to the engine, the three steps to the
// settings the transport reads, and typed numbers only on the spin steps.
#include "ui/player/player_fixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

using namespace modMain;

namespace {

using CommandsSpeed = PlayerFixture;

// Types text into a field as a user would and confirms it with Return.
void type(SpinField* field, const QString& text) {
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

TEST_F(CommandsSpeed, PitchStepsGoStraightToTheEngine) {
    form->udPitch->stepUp();
    form->udPitch->stepUp();
    EXPECT_EQ(engine->take(), QStringList({"setPitch(105)", "setPitch(110)"}));
    EXPECT_EQ(Pitch, 110);
    EXPECT_EQ(form->udPitch->text(), "110");
    form->udPitch->setValue(300);
    form->udPitch->stepUp();
    EXPECT_EQ(engine->take(), QStringList({"setPitch(300)"}));
    form->udPitch->setValue(50);
    form->udPitch->stepDown();
    EXPECT_EQ(engine->take(), QStringList({"setPitch(50)"}));
    EXPECT_EQ(Pitch, 50);
}

TEST_F(CommandsSpeed, PitchFieldTakesOnlyTheSpinSteps) {
    form->show();
    type(form->udPitch, "115");
    EXPECT_EQ(engine->take(), QStringList({"setPitch(115)"}));
    for (const char* typed : {"103", "49", "2", "abc", "-5"}) {
        type(form->udPitch, typed);
        EXPECT_EQ(form->udPitch->value(), 115) << typed;
        EXPECT_EQ(form->udPitch->text(), "115") << typed;
    }
    EXPECT_EQ(engine->take(), QStringList());
    EXPECT_EQ(Pitch, 115);
    type(form->udPitch, "50");
    EXPECT_EQ(engine->take(), QStringList({"setPitch(50)"}));
}

TEST_F(CommandsSpeed, StepFieldsSetTheirSettings) {
    form->show();
    form->udRev->setValue(3);
    EXPECT_EQ(RevSeconds, 3);
    type(form->udRev, "7");
    EXPECT_EQ(RevSeconds, 7);
    // The second digit would leave the range and is refused.
    type(form->udRev, "11");
    EXPECT_EQ(RevSeconds, 1);

    form->udRep->setValue(15);
    EXPECT_EQ(RepSeconds, 15);
    form->udRep->stepUp();
    EXPECT_EQ(RepSeconds, 15);
    form->udRep->setValue(1);
    form->udRep->stepDown();
    EXPECT_EQ(RepSeconds, 1);

    form->udREW_FF->setValue(7);
    EXPECT_EQ(RewFFSeconds, 7);
    EXPECT_EQ(RewFFSeconds2, 7);
    EXPECT_EQ(form->hsbSeek->singleStep(), 7);
    EXPECT_EQ(form->hsbSeek->pageStep(), 7);
    EXPECT_EQ(engine->take(), QStringList()) << "only the speed reaches the engine";
}

TEST_F(CommandsSpeed, RewFFSevenMovesCommandsAndBarBySeven) {
    form->udREW_FF->setValue(7);
    playing(StatePaused, 100);
    FastForward();
    EXPECT_EQ(engine->take(), QStringList({"seek(107)"}));
    tick();
    Rewind();
    EXPECT_EQ(engine->take(), QStringList({"seek(100)"}));
    tick();
    engine->take();
    form->hsbSeek->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(form->hsbSeek->value(), 107);
    EXPECT_EQ(engine->take(), QStringList({"seek(107)"}));
}

TEST_F(CommandsSpeed, RevZeroResumesExactlyWherePlaybackPaused) {
    form->udRev->setValue(0);
    EXPECT_EQ(RevSeconds, 0);
    playing(StatePaused, 42);
    TogglePlayPause();
    EXPECT_EQ(engine->take(), QStringList({"seek(42)", "restart"}));
}

TEST_F(CommandsSpeed, SpinFieldsStayUsableInRepeatMode) {
    RepSeconds = 10;
    playing(StatePlaying, 30);
    form->chkRep->setChecked(true);
    for (QWidget* field :
         {static_cast<QWidget*>(form->udPitch), static_cast<QWidget*>(form->udRev),
          static_cast<QWidget*>(form->udRep), static_cast<QWidget*>(form->udREW_FF)})
        EXPECT_TRUE(field->isEnabled()) << field->objectName().toStdString();
}

} // namespace
