// Start-up's boxes with the real presenter: each comes alone, the steps after
// it wait for its answer, and what follows start-up runs after the last.
#include "app/startup.h"
#include "core/hotkeys/keylist.h"
#include "core/messagebox.h"
#include "core/modMain.h"
#include "core/settings.h"
#include "support/fake_engine.h"
#include "support/fake_hotkey_backend.h"
#include "support/settings_text.h"
#include "support/wait.h"
#include "ui/forms.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace modMain;

namespace {

QMessageBox* AwaitBox(const QString& text) {
    QMessageBox* box = nullptr;
    WaitUntil([&] {
        box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        return box && box->text().startsWith(text);
    });
    return box && box->text().startsWith(text) ? box : nullptr;
}

TEST(StartupBoxes, EachStepWaitsForTheAnswersOfTheOneBefore) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SetAppPathForTesting(dir.path());
    FakeEngine::install();
    FakeHotkeyBackend& keys = FakeHotkeyBackend::install();
    keys.heldElsewhere.insert({ModCtrlBit, 0x20}); // Listen's Ctrl+Space
    SetMessageHookForTesting({});

    bool finished = false;
    CreateWindows([&] { finished = true; });

    QMessageBox* box = AwaitBox("設定ファイルがありません。");
    ASSERT_TRUE(box);
    EXPECT_EQ(MainForm, nullptr) << "the window came before the settings box was answered";
    box->button(QMessageBox::Ok)->click();

    box = AwaitBox("キー設定ファイルがありません。");
    ASSERT_TRUE(box);
    ASSERT_NE(MainForm, nullptr);
    EXPECT_TRUE(MainForm->isVisible());
    EXPECT_EQ(box->parentWidget(), nullptr);
    box->button(QMessageBox::Ok)->click();

    box = AwaitBox("Listen");
    ASSERT_TRUE(box) << "the refused key's box";
    QCoreApplication::processEvents();
    EXPECT_FALSE(finished) << "start-up went on under a box";
    box->button(QMessageBox::Ok)->click();
    EXPECT_TRUE(WaitUntil([&] { return finished; }));
    EXPECT_FALSE(MessageBoxOpen());

    MainForm->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SetAppPathForTesting({});
}

// The last file is gone: the reopen's two boxes come before the key file's,
// however long the engine takes to say so.
TEST(StartupBoxes, TheReopensBoxesComeBeforeTheHotkeys) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SetAppPathForTesting(dir.path());
    QFile file(dir.filePath(SettingsFileName));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(settings({entry("/rec/gone.wav", 10)}));
    file.close();
    FakeEngine& engine = FakeEngine::install();
    engine.deferOpen = true;
    engine.openSucceeds = false;
    engine.lastError = 1;
    FakeHotkeyBackend::install();
    SetMessageHookForTesting({});

    bool finished = false;
    CreateWindows([&] { finished = true; });
    ASSERT_TRUE(WaitUntil([] { return MainForm && FileOpening(); }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(MessageBoxOpen()) << "a box came while the last file reopened";
    ASSERT_TRUE(engine.finishOpen());

    for (const char* text : {"ErrNo:1", "メニューの履歴から", "キー設定ファイルがありません。"}) {
        QMessageBox* box = AwaitBox(QString::fromUtf8(text));
        ASSERT_TRUE(box) << text;
        EXPECT_FALSE(finished);
        box->defaultButton() ? box->defaultButton()->click() : box->buttons().front()->click();
    }
    EXPECT_TRUE(WaitUntil([&] { return finished; }));

    MainForm->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    SetAppPathForTesting({});
}

} // namespace
