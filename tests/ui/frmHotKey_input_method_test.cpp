// The hotkey dialog while an input method runs: the lines whose key also
// switches it are marked, the note follows the key the boxes show, and the
// apply message says when the key taken is a switch key.
#include "core/extra_settings.h"
#include "core/hotkeys/extra_keys.h"
#include "core/hotkeys/input_method.h"
#include "core/hotkeys/keyfile.h"
#include "core/hotkeys/keylist.h"
#include "core/hotkeys/switch_keys.h"
#include "core/settings.h"
#include "support/fake_engine.h"
#include "support/fake_hotkey_backend.h"
#include "support/message_recorder.h"
#include "ui/forms.h"
#include "ui/frmHotKey.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace modMain;

namespace {

const QString Note = "※このキーは入力メソッド（fcitx5）の切り替えにも使われます";
constexpr int SpaceRow = 15;
constexpr int F6Row = 7;

// Whether the line shows a mark: its icon has a pixel that can be seen.
bool Marked(const QListWidgetItem* item) {
    const QImage image = item->icon().pixmap(16).toImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                return true;
    return false;
}

class HotKeyDialogInputMethodTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetAppPathForTesting(dir.path());
        FakeEngine::install(); // a pressed key runs its command
        ResetExtraSettingsForTesting();
        ResetInputMethodForTesting();
        InstallDefaultHotKeys();
        Hozon();
        HotKeys = {};
        LoadHotKeyForm();
        ASSERT_NE(HotKeyForm, nullptr);
        form = HotKeyForm;
        baseHeight = form->height();
    }
    void TearDown() override {
        UnloadHotKeyForm();
        ResetInputMethodForTesting();
        SetAppPathForTesting({});
    }
    void fcitx5Runs(const QByteArray& config = {}) {
        SetRunningInputMethod(InputMethod{"fcitx5", Fcitx5TriggerKeys(config)});
        QCoreApplication::processEvents(); // its box
    }
    void show(int line, int keyRow, bool ctrl, bool shift) {
        form->lstCommand->setCurrentRow(line);
        form->lstKey->setCurrentRow(keyRow);
        form->chkCtrl->setChecked(ctrl);
        form->chkShift->setChecked(shift);
    }
    std::vector<bool> marks() {
        std::vector<bool> out;
        for (int line = 0; line < form->lstCommand->count(); ++line)
            out.push_back(Marked(form->lstCommand->item(line)));
        return out;
    }

    QTemporaryDir dir;
    FakeHotkeyBackend& backend = FakeHotkeyBackend::install();
    MessageRecorder messages;
    frmHotKey* form = nullptr;
    int baseHeight = 0;
};

TEST_F(HotKeyDialogInputMethodTest, LineOnASwitchKeyIsMarkedAndTheNoteFollowsTheShownKey) {
    fcitx5Runs();
    ASSERT_EQ(messages.calls.size(), 1u) << "the box at start";
    std::vector<bool> expected(DialogLineCount, false);
    expected[0] = true;
    EXPECT_EQ(marks(), expected);
    EXPECT_EQ(form->lstCommand->item(0)->text(), "Listen    :[Ctrl]+[Space]") << "text unchanged";
    EXPECT_FALSE(form->lblInputMethod->isHidden());
    EXPECT_GT(form->height(), baseHeight) << "room for the note";
    EXPECT_GE(form->lblInputMethod->geometry().top(), form->cmdClose->geometry().bottom());
    EXPECT_LE(form->lblInputMethod->geometry().bottom(), form->height());

    // Line 0 is shown: Ctrl+Space.
    EXPECT_EQ(form->lblInputMethod->text(), Note);
    form->lstCommand->setCurrentRow(1); // Ctrl+←
    EXPECT_EQ(form->lblInputMethod->text(), "");
    // Choosing Space for it says so before anything is applied; other
    // modifiers make another key.
    show(1, SpaceRow, true, false);
    EXPECT_EQ(form->lblInputMethod->text(), Note);
    show(1, SpaceRow, true, true);
    EXPECT_EQ(form->lblInputMethod->text(), "");
    show(1, SpaceRow, false, false);
    EXPECT_EQ(form->lblInputMethod->text(), "");
    show(1, 0, true, false); // <<無効>>
    EXPECT_EQ(form->lblInputMethod->text(), "");
    EXPECT_EQ(marks(), expected) << "nothing applied";
}

TEST_F(HotKeyDialogInputMethodTest, ApplyingASwitchKeySaysSoAndTakesItAndMovingAwayClearsTheMark) {
    fcitx5Runs();
    messages.calls.clear();
    show(0, F6Row, true, false);
    form->cmdApply->click();
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].text, "登録されました");
    EXPECT_EQ(messages.calls[0].icon, MessageIcon::None);
    EXPECT_EQ(marks(), std::vector<bool>(DialogLineCount, false));

    // The user insists on Ctrl+Space for the timestamp (line 8).
    show(8, SpaceRow, true, false);
    form->cmdApply->click();
    ASSERT_EQ(messages.calls.size(), 2u);
    EXPECT_EQ(messages.calls[1].text, "登録されました\r\n"
                                      "このキーは入力メソッド（fcitx5）の切り替えにも使われます\r\n"
                                      "メモタップの起動中は、このキーで入力メソッドを切り替えられ"
                                      "ません");
    EXPECT_EQ(messages.calls[1].title, "確認");
    EXPECT_EQ(messages.calls[1].icon, MessageIcon::Warning);
    EXPECT_TRUE(backend.press(ModCtrlBit, 32)) << "the key is taken all the same";
    std::vector<bool> expected(DialogLineCount, false);
    expected[8] = true;
    EXPECT_EQ(marks(), expected);
}

TEST_F(HotKeyDialogInputMethodTest, WithoutAnInputMethodOrWithOtherSwitchKeysNothingIsSaid) {
    EXPECT_TRUE(form->lblInputMethod->isHidden());
    EXPECT_EQ(form->height(), baseHeight);
    show(0, F6Row, true, false);
    form->cmdApply->click();
    show(0, SpaceRow, true, false);
    form->cmdApply->click();
    ASSERT_EQ(messages.calls.size(), 2u);
    EXPECT_EQ(messages.calls[1].text, "登録されました");

    fcitx5Runs("[Hotkey/TriggerKeys]\n0=Zenkaku_Hankaku\n");
    EXPECT_EQ(messages.calls.size(), 2u) << "no box";
    EXPECT_EQ(marks(), std::vector<bool>(DialogLineCount, false));
    EXPECT_EQ(form->lblInputMethod->text(), "");
}

} // namespace
