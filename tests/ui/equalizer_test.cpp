// The equalizer panel on the recording engine: what the engine hears when
// the equalizer is switched, a preset is chosen, a slider is moved by its
// arrow or its thumb, and when the program closes.
#include "ui/equalizer_input.h"
#include "ui/modes_fixture.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

using namespace modMain;

namespace {

QString Table(std::initializer_list<int> levels) {
    QStringList parts;
    for (int level : levels)
        parts << QString::number(level);
    return QString("setEqualizer(%1)").arg(parts.join(','));
}

QList<int> CheckedPresets(const frmMain& form) {
    QList<int> checked;
    for (int i = 0; i < 7; ++i)
        if (form.optEQ[i]->isChecked())
            checked << i;
    return checked;
}

class Equalizer : public StartedWindow {
  protected:
    void SetUp() override {
        StartedWindow::SetUp();
        start();
    }

    void switchOn() {
        ClickIndicator(form->chkUse);
        ASSERT_TRUE(form->chkUse->isChecked());
        engine->take();
    }

    void choosePreset(int index) {
        ClickIndicator(form->optEQ[index]);
        ASSERT_TRUE(form->optEQ[index]->isChecked());
    }

    std::array<std::int32_t, 10> sliderLevels() const {
        std::array<std::int32_t, 10> levels{};
        for (int i = 0; i < 10; ++i)
            levels[i] = -form->vsbEQ[i]->value();
        return levels;
    }
};

TEST_F(Equalizer, StartsOffWithItsControlsGreyedOutAndSwitchingOnSendsTheFlatTable) {
    EXPECT_FALSE(form->EqualizerOn);
    EXPECT_EQ(CheckedPresets(*form), QList<int>{0});
    for (QRadioButton* option : form->optEQ)
        EXPECT_FALSE(option->isEnabled()) << option->text().toStdString();
    for (QScrollBar* slider : form->vsbEQ)
        EXPECT_FALSE(slider->isEnabled());

    ClickIndicator(form->chkUse);

    EXPECT_EQ(engine->take(), QStringList({Table({0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), "reload"}));
    EXPECT_TRUE(form->EqualizerOn);
    for (QRadioButton* option : form->optEQ)
        EXPECT_TRUE(option->isEnabled());
    for (QScrollBar* slider : form->vsbEQ)
        EXPECT_TRUE(slider->isEnabled());
}

TEST_F(Equalizer, BassFromNomalSendsOneTablePerMovedBand) {
    switchOn();
    choosePreset(4);

    EXPECT_EQ(engine->take(), QStringList({Table({60, 0, 0, 0, 0, 0, 0, 0, 0, 0}), "reload",
                                           Table({60, 80, 0, 0, 0, 0, 0, 0, 0, 0}), "reload",
                                           Table({60, 80, 40, 0, 0, 0, 0, 0, 0, 0}), "reload",
                                           Table({60, 80, 40, 20, 0, 0, 0, 0, 0, 0}), "reload"}));
    EXPECT_EQ(form->EqualizerBands,
              (std::array<std::int32_t, 10>{60, 80, 40, 20, 0, 0, 0, 0, 0, 0}));
    // The sliders stand above the middle for a boost.
    EXPECT_EQ(form->vsbEQ[1]->value(), -80);
    EXPECT_EQ(sliderLevels(), form->EqualizerBands);
    EXPECT_EQ(CheckedPresets(*form), QList<int>{4});
}

TEST_F(Equalizer, RockAfterBassLeavesTheTwoUnchangedBandsSilent) {
    switchOn();
    choosePreset(4);
    engine->take();

    choosePreset(5);

    EXPECT_EQ(engine->take(),
              QStringList({Table({60, 40, 40, 20, 0, 0, 0, 0, 0, 0}), "reload",
                           Table({60, 40, 20, 20, 0, 0, 0, 0, 0, 0}), "reload",
                           Table({60, 40, 20, 0, 0, 0, 0, 0, 0, 0}), "reload",
                           Table({60, 40, 20, 0, -20, 0, 0, 0, 0, 0}), "reload",
                           Table({60, 40, 20, 0, -20, -20, 0, 0, 0, 0}), "reload",
                           Table({60, 40, 20, 0, -20, -20, 0, 20, 0, 0}), "reload",
                           Table({60, 40, 20, 0, -20, -20, 0, 20, 40, 0}), "reload",
                           Table({60, 40, 20, 0, -20, -20, 0, 20, 40, 60}), "reload"}));
    EXPECT_EQ(CheckedPresets(*form), QList<int>{5});
}

TEST_F(Equalizer, EveryPresetPutsItsCurveOnTheSliders) {
    switchOn();
    const std::array<std::array<std::int32_t, 10>, 7> curves = {{
        {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
        {0, 0, 0, 0, 0, 0, 0, 0, -20, -40},
        {0, 0, 0, 0, 0, 0, 0, -20, -40, -80},
        {0, 0, 0, 0, 20, 30, 40, 60, 60, 60},
        {60, 80, 40, 20, 0, 0, 0, 0, 0, 0},
        {60, 40, 20, 0, -20, -20, 0, 20, 40, 60},
        {20, 30, 40, 60, 60, 40, 30, 20, 0, 0},
    }};
    for (int preset : {6, 3, 1, 5, 2, 4, 0}) {
        choosePreset(preset);
        EXPECT_EQ(form->EqualizerBands, curves[preset]) << "preset " << preset;
        EXPECT_EQ(sliderLevels(), curves[preset]) << "preset " << preset;
        ASSERT_TRUE(engine->equalizer.has_value());
        EXPECT_EQ(*engine->equalizer, curves[preset]) << "preset " << preset;
    }
}

TEST_F(Equalizer, ThumbDragClearsThePresetsAndReachesTheEngineOnRelease) {
    switchOn();
    choosePreset(6);
    engine->take();

    DragThumbToTop(form->vsbEQ[5], /*release=*/false);
    EXPECT_TRUE(CheckedPresets(*form).isEmpty());
    EXPECT_TRUE(engine->take().isEmpty()) << "nothing reaches the engine while dragging";

    QTest::mouseRelease(form->vsbEQ[5], Qt::LeftButton, {}, QPoint(form->vsbEQ[5]->width() / 2, 0));
    EXPECT_EQ(form->EqualizerBands[5], 128);
    EXPECT_EQ(engine->take(),
              QStringList({Table({20, 30, 40, 60, 60, 128, 30, 20, 0, 0}), "reload"}));
    EXPECT_TRUE(CheckedPresets(*form).isEmpty());

    // Any preset can be chosen again afterwards, also the one that was cleared.
    choosePreset(6);
    EXPECT_EQ(form->EqualizerBands[5], 40);
    EXPECT_EQ(CheckedPresets(*form), QList<int>{6});
}

TEST_F(Equalizer, ArrowClickMovesOneStepAndKeepsThePreset) {
    switchOn();
    choosePreset(6);
    engine->take();

    ClickLowerArrow(form->vsbEQ[0]);

    EXPECT_EQ(form->EqualizerBands[0], 19);
    EXPECT_EQ(engine->take(),
              QStringList({Table({19, 30, 40, 60, 60, 40, 30, 20, 0, 0}), "reload"}));
    EXPECT_EQ(CheckedPresets(*form), QList<int>{6});
}

TEST_F(Equalizer, OffAndOnAgainResendsTheSameCurve) {
    switchOn();
    choosePreset(3);
    ClickLowerArrow(form->vsbEQ[9]);
    const auto curve = form->EqualizerBands;
    ASSERT_EQ(curve[9], 59);
    engine->take();

    ClickIndicator(form->chkUse);
    EXPECT_EQ(engine->take(), QStringList({"setEqualizer(null)", "reload"}));
    EXPECT_FALSE(form->EqualizerOn);
    EXPECT_EQ(form->EqualizerBands, curve);
    for (QScrollBar* slider : form->vsbEQ)
        EXPECT_FALSE(slider->isEnabled());

    ClickIndicator(form->chkUse);
    EXPECT_EQ(engine->take(), QStringList({Table({0, 0, 0, 0, 20, 30, 40, 60, 60, 59}), "reload"}));
    EXPECT_EQ(CheckedPresets(*form), QList<int>{3});
}

TEST_F(Equalizer, HidingThePanelLeavesTheEqualizerWorking) {
    switchOn();
    form->cmdEQ->click();
    choosePreset(4);
    engine->take();

    form->cmdEQ->click();

    EXPECT_FALSE(form->EqualizerShown);
    EXPECT_TRUE(engine->take().isEmpty());
    EXPECT_TRUE(form->EqualizerOn);
    ASSERT_TRUE(engine->equalizer.has_value());
    EXPECT_EQ((*engine->equalizer)[1], 80);
}

TEST_F(Equalizer, ClosingTheWindowSwitchesTheEngineEqualizerOffFirst) {
    switchOn();
    choosePreset(5);
    engine->take();

    form->close();

    const QStringList calls = engine->take();
    ASSERT_FALSE(calls.isEmpty());
    EXPECT_EQ(calls.first(), "setEqualizer(null)");
    EXPECT_LT(calls.indexOf("setEqualizer(null)"), calls.indexOf("stop"));
    EXPECT_LT(calls.indexOf("stop"), calls.indexOf("free"));
    EXPECT_FALSE(engine->equalizer.has_value());
}

} // namespace
