// The ten-band equalizer panel: showing it, switching it on and off, the
// sliders and the seven presets. Every change reaches the engine at once.
#include "ui/frmMain.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QRadioButton>
#include <QScrollBar>

namespace {

// Band levels of each preset, from "60" to "16K"; a slider shows the
// negative of its level, so a boost stands above the middle.
constexpr std::int32_t PresetLevels[7][10] = {
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},           // Nomal
    {0, 0, 0, 0, 0, 0, 0, 0, -20, -40},       // -Tre 1
    {0, 0, 0, 0, 0, 0, 0, -20, -40, -80},     // -Tre 2
    {0, 0, 0, 0, 20, 30, 40, 60, 60, 60},     // +Tre
    {60, 80, 40, 20, 0, 0, 0, 0, 0, 0},       // +Bass
    {60, 40, 20, 0, -20, -20, 0, 20, 40, 60}, // Rock
    {20, 30, 40, 60, 60, 40, 30, 20, 0, 0},   // Pop
};

} // namespace

void frmMain::cmdEQ_Click() {
    if (!EqualizerShown) {
        SetOuterHeight(3825);
        EqualizerShown = true;
    } else {
        SetOuterHeight(1875);
        EqualizerShown = false;
    }
}

void frmMain::chkUse_Click() {
    const bool on = chkUse->checkState() != Qt::Unchecked;
    for (QRadioButton* option : optEQ)
        option->setEnabled(on);
    for (QScrollBar* slider : vsbEQ)
        slider->setEnabled(on);
    vbmp3_setEqualizer(on ? EqualizerBands.data() : nullptr);
    EqualizerOn = on;
    vbmp3_reload();
}

void frmMain::optEQ_Click(int index) {
    if (index < 0 || index >= static_cast<int>(optEQ.size()))
        return;
    // Each slider that really moves runs its change handler before the next
    // one is set, so the engine hears every step of the way to the preset.
    for (int band = 0; band < EqualizerBandCount; ++band)
        vsbEQ[band]->setValue(-PresetLevels[index][band]);
}

void frmMain::vsbEQ_Change(int index) {
    EqualizerBands[index] = -vsbEQ[index]->value();
    if (EqualizerOn) {
        vbmp3_setEqualizer(EqualizerBands.data());
        vbmp3_reload();
    }
}

void frmMain::vsbEQ_Scroll(int) {
    // A dragged curve no longer matches any preset. An exclusive group keeps
    // one button checked, so it lets go while the buttons are cleared.
    optEQGroup->setExclusive(false);
    for (QRadioButton* option : optEQ)
        option->setChecked(false);
    optEQGroup->setExclusive(true);
}
