// The pedal settings dialog, opened from its menu: the pedal found, the
// lights that follow the pedals, and every choice stored at once.
#include "core/extra_settings.h"
#include "core/hotkeys/hold_key.h"
#include "core/hotkeys/keyfile.h"
#include "core/pedals/pedal_controller.h"
#include "core/pedals/pedal_settings.h"
#include "ui/frmPedal.h"
#include "ui/modes_fixture.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>

using namespace modMain;
using namespace modMain::pedals;

namespace {

class PedalDialog : public StartedWindow {
  protected:
    void SetUp() override {
        StartedWindow::SetUp();
        InstallDefaultHotKeys();
        ResetExtraSettingsForTesting();
        LoadPedalSettings();
        start();
    }
    void TearDown() override {
        Pedals().ReleaseAll();
        Pedals().SetDevice({});
        SetHoldToPlayRecord(0);
        StartedWindow::TearDown();
    }

    QString savedExtra() const {
        QFile file(folder.filePath(ExtraSettingsFileName));
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
    }
};

} // namespace

TEST_F(PedalDialog, OpensFromTheSettingsMenuAndShowsThePedalAndItsLights) {
    ASSERT_TRUE(form->mnuSetUp->actions().contains(form->mnuPedal));
    EXPECT_EQ(form->mnuPedal->text(), "ペダル設定…");
    form->mnuPedal->trigger();
    ASSERT_NE(PedalForm, nullptr);
    EXPECT_TRUE(PedalForm->isVisible());
    form->mnuPedal->trigger();
    EXPECT_EQ(form->findChildren<frmPedal*>().size(), 1) << "one dialog, raised again";

    EXPECT_EQ(PedalForm->lblDevice->text(), "見つかりません");
    Pedals().SetDevice("Infinity IN-USB-2");
    EXPECT_EQ(PedalForm->lblDevice->text(), "Infinity IN-USB-2");

    const QString off = PedalForm->lblLight[0]->styleSheet();
    Pedals().SetState(BitOf(Pedal::Left) | BitOf(Pedal::Right));
    EXPECT_NE(PedalForm->lblLight[0]->styleSheet(), off);
    EXPECT_EQ(PedalForm->lblLight[1]->styleSheet(), off);
    EXPECT_NE(PedalForm->lblLight[2]->styleSheet(), off);
    Pedals().SetState(0);
    EXPECT_EQ(PedalForm->lblLight[0]->styleSheet(), off);
    PedalForm->close();
    FlushDeletions();
    EXPECT_EQ(PedalForm, nullptr);
}

TEST_F(PedalDialog, EveryChoiceIsStoredInTheExtraSettingsAtOnce) {
    ShowPedalForm();
    frmPedal& dialog = *PedalForm;
    EXPECT_EQ(dialog.cmbPedal[1]->currentText(), "再生/一時停止");
    EXPECT_TRUE(dialog.optHold->isChecked()) << "hold is the default";
    EXPECT_EQ(dialog.cmbHoldKey->currentText(), "なし");
    // Commands that need an argument are not offered.
    EXPECT_EQ(dialog.cmbPedal[0]->findText("指定位置へ"), -1);
    // The timestamp commands are offered too.
    EXPECT_GE(dialog.cmbPedal[0]->findText("時刻を挿入"), 0);
    EXPECT_GE(dialog.cmbPedal[0]->findText("選択した時刻へ"), 0);

    dialog.cmbPedal[0]->setCurrentIndex(dialog.cmbPedal[0]->findText("なし"));
    dialog.cmbPedal[3]->setCurrentIndex(dialog.cmbPedal[3]->findText("時刻をコピー"));
    dialog.optToggle->setChecked(true);
    dialog.cmbHoldKey->setCurrentIndex(1);
    EXPECT_EQ(dialog.cmbHoldKey->currentText(), "再生/一時停止（[Ctrl]+[Space]）");

    EXPECT_EQ(Settings().commands[0], std::nullopt);
    EXPECT_EQ(Settings().commands[3], Command::CopyTime);
    EXPECT_EQ(Settings().mode, PlayMode::Toggle);
    EXPECT_EQ(HoldToPlayRecord(), 1);
    const QString saved = savedExtra();
    for (const char* line : {"pedal.left=none\r\n", "pedal.fourth=copy-time\r\n",
                             "pedal.mode=toggle\r\n", "hotkey.hold-to-play=play-pause\r\n"})
        EXPECT_TRUE(saved.contains(line)) << line << " in " << saved.toStdString();
    dialog.close();
}
