// The hotkey dialog: start-up with the key file, showing and applying
// bindings, and the dialog's life from start-up to exit.
#include "core/extra_settings.h"
#include "core/hotkeys/extra_keys.h"
#include "core/hotkeys/keyfile.h"
#include "core/hotkeys/keylist.h"
#include "core/settings.h"
#include "core/textfile.h"
#include "support/fake_desktop_text.h"
#include "support/fake_engine.h"
#include "support/fake_hotkey_backend.h"
#include "support/fake_view.h"
#include "support/key_row.h"
#include "support/message_recorder.h"
#include "ui/forms.h"
#include "ui/frmHotKey.h"

#include <QCheckBox>
#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace modMain;

namespace {

const QString RegisteredText = "登録されました";
const QString RefusedText = "すでにシステムに登録された組合せです\r\n"
                            "同じ組合せが既にあるか、別のアプリケーションで使用しています";
const QString RemovedText = "解除しました";

class HotKeyDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetAppPathForTesting(dir.path());
        FakeEngine::install(); // a pressed key runs its command
    }
    void TearDown() override {
        UnloadHotKeyForm();
        SetAppPathForTesting({});
    }

    // Starts with the default key file on disk.
    void writeDefaultFile() {
        InstallDefaultHotKeys();
        Hozon();
        HotKeys = {};
    }
    void writeKeyFile(const QByteArray& bytes) {
        QFile file(dir.filePath("hMEMKEY.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray readKeyFile() {
        QFile file(dir.filePath("hMEMKEY.txt"));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }
    frmHotKey& load() {
        LoadHotKeyForm();
        EXPECT_NE(HotKeyForm, nullptr);
        return *HotKeyForm;
    }
    QStringList lines(const QListWidget* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    // Chooses a key and the modifier boxes as the user would, then applies.
    void apply(frmHotKey& form, int line, int keyRow, bool alt, bool ctrl, bool shift, bool win) {
        form.lstCommand->setCurrentRow(line);
        form.lstKey->setCurrentRow(keyRow);
        form.chkAlt->setChecked(alt);
        form.chkCtrl->setChecked(ctrl);
        form.chkShift->setChecked(shift);
        form.chkWin->setChecked(win);
        form.cmdApply->click();
    }

    QTemporaryDir dir;
    FakeHotkeyBackend& backend = FakeHotkeyBackend::install();
    MessageRecorder messages;
};

} // namespace

// --- start-up and exit ---

TEST_F(HotKeyDialogTest, FirstStartWithoutKeyFileWarnsRegistersDefaultsAndWritesAtExit) {
    frmHotKey& form = load();
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].text, "キー設定ファイルがありません。初期設定で起動します。");
    EXPECT_EQ(messages.calls[0].title, "エラー");
    EXPECT_EQ(messages.calls[0].icon, MessageIcon::Warning);
    EXPECT_EQ(messages.calls[0].buttons, MessageButtons::Ok);
    // Not written until it is needed.
    EXPECT_FALSE(QFile::exists(dir.filePath("hMEMKEY.txt")));

    EXPECT_EQ(backend.take(),
              QStringList({"register(1,2,32)=1", "register(2,2,37)=1", "register(3,2,39)=1",
                           "register(4,2,29)=1", "register(5,2,38)=1", "register(6,2,40)=1",
                           "register(7,2,33)=1", "register(8,2,34)=1"}));
    EXPECT_EQ(
        lines(form.lstCommand),
        QStringList({"Listen    :[Ctrl]+[Space]", "REW       :[Ctrl]+[←]", "FF        :[Ctrl]+[→]",
                     "Repeat    :[Ctrl]+[無変換]", "PitchUp   :[Ctrl]+[↑]", "PitchDown :[Ctrl]+[↓]",
                     "SetStart  :[Ctrl]+[PageUp]", "SetEnd    :[Ctrl]+[PageDown]",
                     "TimeStamp :<<無効>>", "InsertTime:<<無効>>", "JumpToTime:<<無効>>",
                     "Levelling :<<無効>>", "NoiseCut  :<<無効>>", "LowCut    :<<無効>>",
                     "Channel   :<<無効>>"}));
    ASSERT_EQ(form.lstKey->count(), 89);
    for (int row = 0; row < 89; ++row) {
        EXPECT_EQ(form.lstKey->item(row)->text(), KeyList()[row].Name);
        EXPECT_EQ(form.lstKey->item(row)->data(Qt::UserRole).toInt(), KeyList()[row].Code);
    }
    EXPECT_EQ(form.lstCommand->currentRow(), 0);
    EXPECT_EQ(form.lstKey->currentRow(), 15);
    EXPECT_FALSE(form.cmdApply->isEnabled());
    EXPECT_FALSE(form.isVisible());

    UnloadHotKeyForm();
    EXPECT_EQ(HotKeyForm, nullptr);
    EXPECT_EQ(backend.take(), QStringList({"unregister(1)=1", "unregister(2)=1", "unregister(3)=1",
                                           "unregister(4)=1", "unregister(5)=1", "unregister(6)=1",
                                           "unregister(7)=1", "unregister(8)=1"}));
    EXPECT_TRUE(backend.held.empty());
    const QByteArray bytes = readKeyFile();
    EXPECT_TRUE(bytes.startsWith("1,0,2,0,0,32,15,\"[Ctrl]+[Space]\",1\r\n"));
    EXPECT_TRUE(bytes.endsWith("9,1,2,0,0,32,15,\"[Alt]+[Ctrl]+[Space]\",1\r\n"));
}

TEST_F(HotKeyDialogTest, CombinationHeldElsewhereAtStartIsReportedOthersStillRegister) {
    writeDefaultFile();
    backend.heldElsewhere.insert({2, 32});
    load();
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].text,
              "Listen    :[Ctrl]+[Space]は\r\n"
              "ホットキー登録できませんでした\r\n"
              "すでにシステムに登録された組合せです\r\n"
              "別のアプリケーションのホットキーを解除してから登録し直してください");
    EXPECT_EQ(messages.calls[0].title, "ホットキー設定");
    EXPECT_EQ(messages.calls[0].icon, MessageIcon::Warning);
    EXPECT_EQ(backend.held.size(), 7u);
    EXPECT_TRUE(backend.combinationsOf(1).empty());
    // The record keeps its binding and is written back for the next start.
    EXPECT_EQ(HotKeys[1].Active, 1);
    UnloadHotKeyForm();
    EXPECT_TRUE(readKeyFile().startsWith("1,0,2,0,0,32,15,\"[Ctrl]+[Space]\",1\r\n"));
}

TEST_F(HotKeyDialogTest, WithoutGlobalHotkeysEveryActiveRecordReportsTheStartMessage) {
    // What a session without X11 gives: a backend that refuses everything.
    setHotkeyBackend(makeRefusingHotkeyBackend());
    writeDefaultFile();
    load();
    ASSERT_EQ(messages.calls.size(), 8u);
    for (int r = 1; r <= 8; ++r)
        EXPECT_TRUE(messages.calls[r - 1].text.startsWith(CommandLabel(r)));
}

TEST_F(HotKeyDialogTest, DisabledRecordIsNotRegisteredAndShowsDisabled) {
    InstallDefaultHotKeys();
    HotKeys[2] = {2, 0, 0, 0, 0, 0, 0, "<<無効>>", 0};
    Hozon();
    HotKeys = {};
    frmHotKey& form = load();
    EXPECT_TRUE(messages.calls.empty());
    EXPECT_EQ(backend.held.size(), 7u);
    EXPECT_TRUE(backend.combinationsOf(2).empty());
    EXPECT_EQ(form.lstCommand->item(1)->text(), "REW       :<<無効>>");
    UnloadHotKeyForm();
    EXPECT_FALSE(backend.take().contains("unregister(2)=0"));
}

TEST_F(HotKeyDialogTest, FiveLineFileGivesEmptyListsNoRegistrationsAndNineLinesAtExit) {
    writeDefaultFile();
    QByteArray five;
    const QList<QByteArray> all = readKeyFile().split('\n');
    for (int i = 0; i < 5; ++i)
        five += all[i] + '\n';
    writeKeyFile(five);

    frmHotKey& form = load();
    EXPECT_TRUE(messages.calls.empty());
    EXPECT_EQ(form.lstCommand->count(), 0);
    EXPECT_EQ(form.lstKey->count(), 0);
    EXPECT_TRUE(backend.held.empty());
    // The apply has nothing to work on.
    form.cmdApply->click();
    EXPECT_TRUE(messages.calls.empty());

    UnloadHotKeyForm();
    const QList<QByteArray> rewritten = readKeyFile().split('\n');
    ASSERT_EQ(rewritten.size(), 10); // nine lines and the end
    EXPECT_EQ(rewritten[0], all[0]);
    EXPECT_EQ(rewritten[4], all[4]);
    for (int i = 5; i < 9; ++i)
        EXPECT_EQ(rewritten[i], QByteArray("0,0,0,0,0,0,0,\"\",0\r"));
}

TEST_F(HotKeyDialogTest, KeyIndexOutsideTheListShowsTheRecordWithoutAKey) {
    InstallDefaultHotKeys();
    HotKeys[2].KeyIndex = 200;
    HotKeys[3].KeyIndex = -1;
    Hozon();
    HotKeys = {};
    frmHotKey& form = load();
    form.lstCommand->setCurrentRow(1);
    EXPECT_EQ(form.lstKey->currentRow(), -1);
    EXPECT_TRUE(form.lstKey->selectedItems().isEmpty());
    EXPECT_TRUE(form.chkCtrl->isChecked());
    EXPECT_EQ(form.lstCommand->currentItem()->text(), "REW       :[Ctrl]+[←]");
    form.lstCommand->setCurrentRow(2);
    EXPECT_EQ(form.lstKey->currentRow(), -1);
    // With no key chosen the apply does nothing.
    form.chkShift->setChecked(true);
    backend.take();
    form.cmdApply->click();
    EXPECT_TRUE(backend.take().isEmpty());
    EXPECT_TRUE(messages.calls.empty());
    // Choosing a key makes the record whole again.
    form.lstKey->setCurrentRow(24);
    form.cmdApply->click();
    EXPECT_EQ(HotKeys[3].KeyIndex, 24);
    EXPECT_EQ(HotKeys[3].KeyText, "[Ctrl]+[Shift]+[→]");
}

// --- showing a record ---

TEST_F(HotKeyDialogTest, ShowingRepeatSelectsMuhenkanTicksOnlyCtrlAndLeavesApplyDisabled) {
    writeDefaultFile();
    frmHotKey& form = load();
    form.lstCommand->setCurrentRow(3);
    EXPECT_EQ(form.lstKey->currentItem()->text(), "無変換");
    EXPECT_FALSE(form.chkAlt->isChecked());
    EXPECT_TRUE(form.chkCtrl->isChecked());
    EXPECT_FALSE(form.chkShift->isChecked());
    EXPECT_FALSE(form.chkWin->isChecked());
    EXPECT_FALSE(form.cmdApply->isEnabled());
    // Any change of the key or a box enables it.
    form.lstKey->setCurrentRow(5);
    EXPECT_TRUE(form.cmdApply->isEnabled());
    form.lstCommand->setCurrentRow(0);
    EXPECT_FALSE(form.cmdApply->isEnabled());
    form.chkWin->setChecked(true);
    EXPECT_TRUE(form.cmdApply->isEnabled());
}

TEST_F(HotKeyDialogTest, ModifierFieldsShowOnlyTheirOwnBit) {
    InstallDefaultHotKeys();
    HotKeys[1] = {1, 1, 2, 4, 8, 32, 15, "[Alt]+[Ctrl]+[Shift]+[Win]+[Space]", 1};
    HotKeys[2] = {2, 2, 1, 0, 0, 37, 22, "odd", 1};
    Hozon();
    HotKeys = {};
    frmHotKey& form = load();
    EXPECT_TRUE(form.chkAlt->isChecked() && form.chkCtrl->isChecked() &&
                form.chkShift->isChecked() && form.chkWin->isChecked());
    form.lstCommand->setCurrentRow(1);
    EXPECT_FALSE(form.chkAlt->isChecked());
    EXPECT_FALSE(form.chkCtrl->isChecked());
}

// --- applying ---

TEST_F(HotKeyDialogTest, PlainF5IsRegisteredAndShown) {
    writeDefaultFile();
    frmHotKey& form = load();
    backend.take();
    apply(form, 1, 6, false, false, false, false);
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].text, RegisteredText);
    EXPECT_EQ(messages.calls[0].title, "確認");
    EXPECT_EQ(messages.calls[0].icon, MessageIcon::None);
    EXPECT_EQ(HotKeys[2], (HotkeyEntry{2, 0, 0, 0, 0, 116, 6, "[F5]", 1}));
    EXPECT_EQ(form.lstCommand->item(1)->text(), "REW       :[F5]");
    EXPECT_FALSE(form.cmdApply->isEnabled());
    // The replaced Ctrl+← is given back before F5 is taken.
    EXPECT_EQ(backend.take(), QStringList({"unregister(2)=1", "register(2,0,116)=1"}));
    EXPECT_EQ(backend.combinationsOf(2), (std::set<FakeHotkeyBackend::Combination>{{0, 116}}));
    EXPECT_FALSE(backend.press(2, 37));
    // Written at once.
    EXPECT_TRUE(readKeyFile().contains("\r\n2,0,0,0,0,116,6,\"[F5]\",1\r\n"));
}

TEST_F(HotKeyDialogTest, AltAAndAllFourModifiersWithSpace) {
    writeDefaultFile();
    frmHotKey& form = load();
    apply(form, 2, 51, true, false, false, false);
    EXPECT_EQ(HotKeys[3], (HotkeyEntry{3, 1, 0, 0, 0, 65, 51, "[Alt]+[A]", 1}));
    EXPECT_EQ(backend.combinationsOf(3), (std::set<FakeHotkeyBackend::Combination>{{1, 65}}));

    apply(form, 6, 15, true, true, true, true);
    EXPECT_EQ(HotKeys[7],
              (HotkeyEntry{7, 1, 2, 4, 8, 32, 15, "[Alt]+[Ctrl]+[Shift]+[Win]+[Space]", 1}));
    EXPECT_EQ(backend.combinationsOf(7), (std::set<FakeHotkeyBackend::Combination>{{15, 32}}));
    EXPECT_EQ(form.lstCommand->item(6)->text(), "SetStart  :[Alt]+[Ctrl]+[Shift]+[Win]+[Space]");
}

TEST_F(HotKeyDialogTest, ApplyingTheRecordsOwnCombinationAgainIsRefused) {
    writeDefaultFile();
    frmHotKey& form = load();
    backend.take();
    // A box ticked and cleared again enables the button for the same binding.
    form.chkAlt->setChecked(true);
    form.chkAlt->setChecked(false);
    form.cmdApply->click();
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].text, RefusedText);
    EXPECT_EQ(messages.calls[0].title, "確認");
    EXPECT_EQ(messages.calls[0].icon, MessageIcon::Warning);
    // Still held, never given up on the way.
    EXPECT_EQ(backend.take(), QStringList({"register(1,2,32)=0"}));
    EXPECT_EQ(backend.combinationsOf(1), (std::set<FakeHotkeyBackend::Combination>{{2, 32}}));
    EXPECT_EQ(HotKeys[1].KeyText, "[Ctrl]+[Space]");
}

TEST_F(HotKeyDialogTest, AnotherRecordsCombinationIsRefusedAndBothKeepTheirBindings) {
    writeDefaultFile();
    frmHotKey& form = load();
    const auto before = HotKeys;
    backend.take();
    apply(form, 1, 15, false, true, false, false);
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].text, RefusedText);
    EXPECT_EQ(HotKeys, before);
    EXPECT_EQ(form.lstCommand->item(1)->text(), "REW       :[Ctrl]+[←]");
    // Ctrl+← was given back to try Ctrl+Space, then taken again.
    EXPECT_EQ(backend.take(),
              QStringList({"unregister(2)=1", "register(2,2,32)=0", "register(2,2,37)=1"}));
    EXPECT_TRUE(backend.press(2, 37));
    EXPECT_EQ(backend.combinationsOf(1), (std::set<FakeHotkeyBackend::Combination>{{2, 32}}));
    // The file is rewritten also after a refusal.
    EXPECT_TRUE(readKeyFile().contains("\r\n2,0,2,0,0,37,22,"));
}

TEST_F(HotKeyDialogTest, CombinationHeldByAnotherApplicationIsRefused) {
    writeDefaultFile();
    frmHotKey& form = load();
    backend.heldElsewhere.insert({4, 65});
    apply(form, 4, 51, false, false, true, false);
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].text, RefusedText);
    EXPECT_EQ(HotKeys[5].KeyText, "[Ctrl]+[↑]");
    EXPECT_TRUE(backend.press(2, 38));
}

TEST_F(HotKeyDialogTest, DisablingShowsRemovedClearsTheBoxesAndTwiceDoesNothing) {
    writeDefaultFile();
    frmHotKey& form = load();
    form.lstCommand->setCurrentRow(3);
    form.lstKey->setCurrentRow(0);
    form.cmdApply->click();
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].text, RemovedText);
    EXPECT_EQ(messages.calls[0].title, "確認");
    EXPECT_EQ(messages.calls[0].icon, MessageIcon::None);
    EXPECT_EQ(HotKeys[4], (HotkeyEntry{4, 0, 0, 0, 0, 0, 0, "<<無効>>", 0}));
    EXPECT_FALSE(form.chkCtrl->isChecked());
    EXPECT_EQ(form.lstCommand->item(3)->text(), "Repeat    :<<無効>>");
    EXPECT_FALSE(form.cmdApply->isEnabled());
    EXPECT_TRUE(backend.combinationsOf(4).empty());
    EXPECT_TRUE(readKeyFile().contains("\r\n4,0,0,0,0,0,0,\"<<\x96\xB3\x8C\xF8>>\",0\r\n"));

    form.chkAlt->setChecked(true);
    form.cmdApply->click();
    EXPECT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(HotKeys[4].Active, 0);

    // A disabled record takes a new key without giving anything back.
    backend.take();
    apply(form, 3, 16, false, true, false, false);
    EXPECT_EQ(backend.take(), QStringList({"register(4,2,28)=1"}));
    EXPECT_EQ(HotKeys[4].KeyText, "[Ctrl]+[変換]");
}

TEST_F(HotKeyDialogTest, RecordThatFailedAtStartCannotBeDisabledButTakesAFreeCombination) {
    writeDefaultFile();
    backend.heldElsewhere.insert({2, 32});
    frmHotKey& form = load();
    messages.calls.clear();
    form.lstCommand->setCurrentRow(0);
    form.lstKey->setCurrentRow(0);
    form.cmdApply->click();
    EXPECT_TRUE(messages.calls.empty());
    EXPECT_EQ(HotKeys[1].Active, 1);
    EXPECT_EQ(form.lstCommand->item(0)->text(), "Listen    :[Ctrl]+[Space]");

    // Once the other application lets go, applying the same combination takes it.
    backend.heldElsewhere.clear();
    apply(form, 0, 15, false, true, false, false);
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].text, RegisteredText);
    EXPECT_EQ(backend.combinationsOf(1), (std::set<FakeHotkeyBackend::Combination>{{2, 32}}));
}

TEST_F(HotKeyDialogTest, ApplyWorksAtOnceAndTheReplacedKeyNoLongerFires) {
    writeDefaultFile();
    frmHotKey& form = load();
    QList<Long> fired;
    QObject::connect(&backend, &HotkeyBackend::pressed, [&](Long id) { fired << id; });
    apply(form, 0, 7, false, false, false, false); // F6
    EXPECT_TRUE(backend.press(0, 117));
    EXPECT_FALSE(backend.press(2, 32));
    EXPECT_EQ(fired, QList<Long>({1}));
}

// --- the dialog's life ---

TEST_F(HotKeyDialogTest, CloseButtonAndCloseBoxHideTheLoadedDialog) {
    writeDefaultFile();
    frmHotKey& form = load();
    form.show();
    form.lstCommand->setCurrentRow(2);
    form.lstKey->setCurrentRow(30); // a change not yet applied
    form.cmdClose->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(HotKeyForm, &form);

    form.show();
    EXPECT_EQ(form.lstCommand->currentRow(), 2);
    EXPECT_EQ(form.lstKey->currentRow(), 30);
    EXPECT_TRUE(form.cmdApply->isEnabled());
    EXPECT_FALSE(form.close());
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(HotKeyForm, &form);
    // Hiding withdrew nothing and showing registered nothing again.
    EXPECT_EQ(backend.held.size(), 8u);
    EXPECT_EQ(backend.calls.size(), 8);
}

TEST_F(HotKeyDialogTest, LayoutCaptionsAndFonts) {
    writeDefaultFile();
    frmHotKey& form = load();
    EXPECT_EQ(form.windowTitle(), "キー設定");
    EXPECT_FALSE(form.windowIcon().isNull());
    EXPECT_EQ(form.size(), QSize(246, 412));
    EXPECT_EQ(form.lstCommand->geometry(), QRect(14, 7, 219, 124));
    EXPECT_EQ(form.ShapeRectangle->geometry(), QRect(14, 147, 218, 225));
    EXPECT_EQ(form.lstKey->geometry(), QRect(28, 161, 192, 136));
    EXPECT_EQ(form.chkAlt->geometry(), QRect(35, 306, 35, 25));
    EXPECT_EQ(form.chkCtrl->geometry(), QRect(76, 306, 40, 25));
    EXPECT_EQ(form.chkShift->geometry(), QRect(122, 306, 46, 25));
    EXPECT_EQ(form.chkWin->geometry(), QRect(172, 306, 42, 25));
    EXPECT_EQ(form.cmdApply->geometry(), QRect(84, 336, 78, 25));
    EXPECT_EQ(form.cmdClose->geometry(), QRect(154, 378, 78, 25));
    EXPECT_EQ(form.chkAlt->text(), "Alt");
    EXPECT_EQ(form.chkCtrl->text(), "Ctrl");
    EXPECT_EQ(form.chkShift->text(), "Shift");
    EXPECT_EQ(form.chkWin->text(), "Win");
    EXPECT_EQ(form.cmdApply->text(), "適用");
    EXPECT_EQ(form.cmdClose->text(), "閉じる");
    // The bindings start in one column: every label is as wide as the others.
    EXPECT_DOUBLE_EQ(form.lstCommand->font().pointSizeF(), 9.0);
    const QFontMetrics metrics(form.lstCommand->font());
    for (int r = 2; r <= 8; ++r)
        EXPECT_EQ(metrics.horizontalAdvance(CommandLabel(r)),
                  metrics.horizontalAdvance(CommandLabel(1)))
            << QFontInfo(form.lstCommand->font()).family().toStdString();
}

// --- the timestamp command ---

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST_F(HotKeyDialogTest, TimeStampIsANinthLineBoundInTheExtraFileAndCopiesThePlace) {
    writeDefaultFile();
    const QByteArray keyFile = readKeyFile();
    FakeEngine& engine = FakeEngine::install();
    FakeView view;
    engine.state = StatePaused;
    engine.position = 3725;

    frmHotKey& form = load();
    ASSERT_EQ(form.lstCommand->count(), 15);
    EXPECT_EQ(form.lstCommand->item(8)->text(), "TimeStamp :<<無効>>");
    EXPECT_EQ(backend.take().size(), 8) << "unbound by default: nothing more is taken";

    apply(form, 8, keyRow("T"), false, true, true, false);
    ASSERT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(messages.calls[0].text, RegisteredText);
    EXPECT_EQ(form.lstCommand->item(8)->text(), "TimeStamp :[Ctrl]+[Shift]+[T]");
    // An id none of the nine records holds.
    EXPECT_EQ(backend.take(), QStringList({"register(10,6,84)=1"}));
    EXPECT_TRUE(backend.press(6, 84));
    EXPECT_EQ(view.copied, QStringList({"[01:02:05]"}));
    EXPECT_EQ(readKeyFile(), keyFile) << "the key file keeps its nine lines";
    EXPECT_EQ(readFile(dir.filePath("memotap-extra.txt")),
              "hotkey.copy-time=0,2,4,0,84,70,\"[Ctrl]+[Shift]+[T]\",1\r\n");

    // The next start takes it again, beside lines another version wrote.
    UnloadHotKeyForm();
    EXPECT_TRUE(backend.held.empty());
    QFile extra(dir.filePath("memotap-extra.txt"));
    ASSERT_TRUE(extra.open(QIODevice::Append));
    extra.write("pedal.left=play-pause\r\n");
    extra.close();
    HotKeys[9].Id = 10; // a key file whose spare record holds that id
    Hozon();
    backend.take();
    frmHotKey& again = load();
    EXPECT_EQ(again.lstCommand->item(8)->text(), "TimeStamp :[Ctrl]+[Shift]+[T]");
    EXPECT_TRUE(backend.take().contains("register(9,6,84)=1"));

    // Unbinding keeps the other lines of the file.
    apply(again, 8, 0, false, false, false, false);
    EXPECT_FALSE(backend.press(6, 84));
    EXPECT_EQ(readFile(dir.filePath("memotap-extra.txt")),
              textfile::encode("hotkey.copy-time=0,0,0,0,0,0,\"<<無効>>\",0\r\n"
                               "pedal.left=play-pause\r\n"));
    ResetExtraSettingsForTesting();
    setEngineBackend(nullptr);
}

TEST_F(HotKeyDialogTest, HearingSwitchesHaveLinesOfTheirOwnThatSwitchOverOrCycle) {
    writeDefaultFile();
    FakeEngine& engine = FakeEngine::install();
    frmHotKey& form = load();
    backend.take();
    apply(form, 11, keyRow("L"), false, true, true, false); // Levelling
    apply(form, 14, keyRow("C"), false, true, true, false); // Channel
    EXPECT_EQ(form.lstCommand->item(11)->text(), "Levelling :[Ctrl]+[Shift]+[L]");
    EXPECT_EQ(backend.take(), QStringList({"register(13,6,76)=1", "register(16,6,67)=1"}));
    engine.take();
    EXPECT_TRUE(backend.press(6, 76));
    EXPECT_TRUE(backend.press(6, 67));
    EXPECT_TRUE(backend.press(6, 67));
    EXPECT_TRUE(backend.press(6, 76));
    EXPECT_EQ(engine.take(),
              QStringList({"setHearing(levelling=1,noise=0,lowcut=0,channel=both)",
                           "setHearing(levelling=1,noise=0,lowcut=0,channel=left)",
                           "setHearing(levelling=1,noise=0,lowcut=0,channel=right)",
                           "setHearing(levelling=0,noise=0,lowcut=0,channel=right)"}));
    const QString extra = textfile::decode(readFile(dir.filePath("memotap-extra.txt")));
    EXPECT_TRUE(extra.contains("hotkey.levelling=0,2,4,0,76,"));
    EXPECT_TRUE(extra.contains("hotkey.channel=0,2,4,0,67,"));
    EXPECT_TRUE(extra.contains("hearing.levelling=off\r\n"));
    EXPECT_TRUE(extra.contains("hearing.channel=right\r\n"));
    ResetExtraSettingsForTesting();
    setEngineBackend(nullptr);
}

TEST_F(HotKeyDialogTest, InsertAndJumpAreTheLastLinesEachStoredUnderItsCommandsName) {
    writeDefaultFile();
    FakeEngine& engine = FakeEngine::install();
    FakeDesktopText desktop;
    engine.state = StatePaused;
    engine.position = 3725;
    engine.totalSeconds = 7200;
    FileInfo.TotalSeconds = 7200;

    frmHotKey& form = load();
    backend.take();
    apply(form, 9, keyRow("I"), false, true, true, false);
    apply(form, 10, keyRow("J"), false, true, true, false);
    EXPECT_EQ(form.lstCommand->item(9)->text(), "InsertTime:[Ctrl]+[Shift]+[I]");
    EXPECT_EQ(form.lstCommand->item(10)->text(), "JumpToTime:[Ctrl]+[Shift]+[J]");
    EXPECT_EQ(backend.take(), QStringList({"register(11,6,73)=1", "register(12,6,74)=1"}));

    EXPECT_TRUE(backend.press(6, 73));
    EXPECT_EQ(desktop.inserted, QStringList({"[01:02:05]"}));
    EXPECT_TRUE(backend.press(6, 74));
    ASSERT_TRUE(desktop.answer(DesktopText::Source::Primary, "(00:10:00)"));
    EXPECT_EQ(engine.take(), QStringList({"seekMs(600000)"}));
    EXPECT_EQ(readFile(dir.filePath("memotap-extra.txt")),
              "hotkey.insert-time=0,2,4,0,73," + QByteArray::number(keyRow("I")) +
                  ",\"[Ctrl]+[Shift]+[I]\",1\r\n"
                  "hotkey.seek-to-selection=0,2,4,0,74," +
                  QByteArray::number(keyRow("J")) + ",\"[Ctrl]+[Shift]+[J]\",1\r\n");
    ResetExtraSettingsForTesting();
    setEngineBackend(nullptr);
}

TEST_F(HotKeyDialogTest, DamagedTimeStampLineLeavesItUnbound) {
    writeDefaultFile();
    QFile extra(dir.filePath("memotap-extra.txt"));
    ASSERT_TRUE(extra.open(QIODevice::WriteOnly));
    extra.write("hotkey.copy-time=0,2,x\r\nno equals sign\r\n");
    extra.close();
    frmHotKey& form = load();
    EXPECT_EQ(form.lstCommand->item(8)->text(), "TimeStamp :<<無効>>");
    EXPECT_EQ(backend.take().size(), 8);
    EXPECT_TRUE(messages.calls.empty());
    ResetExtraSettingsForTesting();
}
