// The window's set-up from the settings file: the starting state of every
// control, what the file may and may not carry over, and the reopening of the
// most recent file.
#include "core/messagebox.h"
#include "core/modMain.h"
#include "core/settings.h"
#include "core/textfile.h"
#include "support/fake_engine.h"
#include "support/message_recorder.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

using namespace modMain;

namespace {

struct SettingsText {
    QString position = "0,0,1";
    QStringList history = {"\"\",0", "\"\",0", "\"\",0", "\"\",0", "\"\",0"};
    QString steps = "100,0,10,4,4"; // Pitch, Rev, Rep, RewFF2, RewFF

    QString text() const {
        QString t = position + "\r\n" + history.join("\r\n") + "\r\n" + steps + "\r\n";
        t += "2\r\n0,0,0,\"黒\"\r\n255,255,255,\"白\"\r\n0,1\r\n";
        return t;
    }
};

class WindowSetup : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        SetAppPathForTesting(folder.path());
        engine = &FakeEngine::install();
    }
    void TearDown() override {
        form.reset();
        SetAppPathForTesting({});
    }

    void writeSettings(const SettingsText& s) {
        ASSERT_TRUE(textfile::writeAtomically(folder.filePath(SettingsFileName),
                                              textfile::encode(s.text())));
    }

    // Start-up from the settings load to the shown window.
    void start() {
        LoadSettings();
        form = std::make_unique<frmMain>();
        MainForm = form.get();
        form->Setup();
        form->tmrMain->stop();
    }

    QStringList visibleFileMenu() const {
        QStringList items;
        for (QAction* a : form->mnuFile->actions())
            if (a->isVisible())
                items << (a->isSeparator() ? QString("-") : a->text());
        return items;
    }

    QTemporaryDir folder;
    MessageRecorder messages;
    FakeEngine* engine = nullptr;
    std::unique_ptr<frmMain> form;
};

TEST_F(WindowSetup, FirstStartWithoutASettingsFile) {
    start();
    ASSERT_EQ(messages.calls.size(), 1u) << "the missing settings file";
    EXPECT_EQ(engine->take(), QStringList({"setPitch(100)"})) << "nothing is opened";

    EXPECT_EQ(form->windowTitle(), "メモタップ");
    EXPECT_EQ(form->pos(), QPoint(0, 0));
    EXPECT_EQ(form->OuterHeight(), 1875);
    EXPECT_TRUE(form->chkWindowPos->isChecked());
    EXPECT_EQ(form->udRev->text(), "0");
    EXPECT_EQ(form->udRep->text(), "10");
    EXPECT_EQ(form->udREW_FF->text(), "4");
    EXPECT_EQ(form->udPitch->value(), 100);
    EXPECT_EQ(form->udPitch->text(), "100");
    EXPECT_EQ(form->udPitch->minimum(), 50);
    EXPECT_EQ(form->udPitch->maximum(), 300);
    EXPECT_EQ(form->udPitch->singleStep(), 5);
    EXPECT_EQ(RevSeconds, 0);
    EXPECT_EQ(RepSeconds, 10);
    EXPECT_EQ(RewFFSeconds, 4);
    EXPECT_EQ(Pitch, 100);

    EXPECT_EQ(form->hsbSeek->minimum(), 0);
    EXPECT_EQ(form->hsbSeek->value(), 0);
    EXPECT_EQ(form->hsbSeek->singleStep(), 4);
    EXPECT_EQ(form->hsbSeek->pageStep(), 4);
    EXPECT_TRUE(form->hsbSeek->isEnabled());

    EXPECT_EQ(form->lblState->text(), "");
    EXPECT_EQ(form->lblRep->text(), "");
    EXPECT_EQ(form->lblRepTime->text(), "");
    EXPECT_EQ(form->lblPTime->text(), "00:00:00");
    EXPECT_EQ(form->lblTTime->text(), "/ 00:00:00");
    EXPECT_FALSE(form->chkRep->isChecked());
    EXPECT_EQ(RepeatOn, 0);
    for (QWidget* w : std::initializer_list<QWidget*>{form->cmdPlayPause, form->cmdFF, form->cmdREW,
                                                      form->cmdSetStart, form->cmdSetEnd})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(form->chkMinMax->isChecked());

    EXPECT_FALSE(form->EqualizerShown);
    EXPECT_FALSE(form->EqualizerOn);
    EXPECT_FALSE(form->chkUse->isChecked());
    EXPECT_TRUE(form->optEQ[0]->isChecked());
    for (int i = 0; i < 7; ++i) {
        EXPECT_FALSE(form->optEQ[i]->isEnabled()) << "preset " << i;
        EXPECT_EQ(form->optEQ[i]->isChecked(), i == 0) << "preset " << i;
    }
    for (int i = 0; i < 10; ++i) {
        EXPECT_FALSE(form->vsbEQ[i]->isEnabled()) << "slider " << i;
        EXPECT_EQ(form->vsbEQ[i]->value(), 0) << "slider " << i;
        EXPECT_EQ(form->EqualizerBands[i], 0);
    }

    EXPECT_TRUE(form->tmrRep->interval() == 200 && !form->tmrRep->isActive());
    EXPECT_EQ(form->tmrMain->interval(), 100);
    EXPECT_EQ(visibleFileMenu(), QStringList({"開く(&O)...", "-", "終了(&X)"}));
}

TEST_F(WindowSetup, StoredSpeedIsDiscardedAndStepsCarryOver) {
    SettingsText s;
    s.position = "1500,3000,0";
    s.steps = "150,3,12,7,7";
    writeSettings(s);
    start();
    EXPECT_TRUE(messages.calls.empty());
    EXPECT_EQ(engine->take(), QStringList({"setPitch(100)"}));
    EXPECT_EQ(Pitch, 100);
    EXPECT_EQ(form->udPitch->value(), 100);
    EXPECT_EQ(form->udRev->text(), "3");
    EXPECT_EQ(form->udRep->text(), "12");
    EXPECT_EQ(form->udREW_FF->text(), "7");
    EXPECT_EQ(RevSeconds, 3);
    EXPECT_EQ(RepSeconds, 12);
    EXPECT_EQ(RewFFSeconds, 7);
    EXPECT_FALSE(form->chkWindowPos->isChecked());
    EXPECT_EQ(form->pos(), QPoint(100, 200));
}

TEST_F(WindowSetup, RewFFSevenMovesTheBarBySeven) {
    SettingsText s;
    s.history[0] = "\"/rec/a.wav\",20";
    s.steps = "100,0,10,7,7";
    writeSettings(s);
    engine->totalSeconds = 600;
    start();
    EXPECT_EQ(form->hsbSeek->singleStep(), 7);
    EXPECT_EQ(form->hsbSeek->pageStep(), 7);
    form->tmrMain_Timer();
    ASSERT_EQ(form->hsbSeek->value(), 20);
    engine->take();

    form->hsbSeek->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(form->hsbSeek->value(), 27);
    EXPECT_EQ(engine->take(), QStringList({"seek(27)"}));
    form->tmrMain_Timer();
    engine->take();
    form->hsbSeek->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(form->hsbSeek->value(), 34);
    EXPECT_EQ(engine->take(), QStringList({"seek(34)"}));
    form->tmrMain_Timer();
    engine->take();
    form->hsbSeek->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(engine->take(), QStringList({"seek(27)"}));
}

TEST_F(WindowSetup, SecondStepKeepsTheFilesValueUntilTheUserChangesTheStep) {
    SettingsText s;
    s.steps = "100,0,10,9,7";
    writeSettings(s);
    start();
    EXPECT_EQ(RewFFSeconds, 7);
    EXPECT_EQ(RewFFSeconds2, 9);
    form->udREW_FF->setValue(5);
    EXPECT_EQ(RewFFSeconds, 5);
    EXPECT_EQ(RewFFSeconds2, 5);
}

TEST_F(WindowSetup, StepsOutsideTheFieldsRangesAreBroughtIntoThem) {
    SettingsText s;
    s.steps = "100,-3,99,0,0";
    writeSettings(s);
    start();
    EXPECT_EQ(form->udRev->text(), "0");
    EXPECT_EQ(form->udRep->text(), "15");
    EXPECT_EQ(form->udREW_FF->text(), "1");
    EXPECT_EQ(RevSeconds, 0);
    EXPECT_EQ(RepSeconds, 15);
    EXPECT_EQ(RewFFSeconds, 1);
    EXPECT_EQ(form->hsbSeek->pageStep(), 1);
}

TEST_F(WindowSetup, MostRecentFileComesBackPausedWhereItWasLeft) {
    SettingsText s;
    s.history[0] = "\"/rec/会議.wav\",197";
    s.history[1] = "\"/rec/b.wav\",30";
    writeSettings(s);
    engine->totalSeconds = 3725;
    start();
    // The window's speed is set before the reopen, which sets it again.
    EXPECT_EQ(engine->take(), QStringList({"setPitch(100)", "close", "open(/rec/会議.wav)", "play",
                                           "seek(197)", "pause", "setPitch(100)"}));
    EXPECT_EQ(form->windowTitle(), "会議.wav - メモタップ");
    EXPECT_EQ(form->lblTTime->text(), "/ 01:02:05");
    EXPECT_EQ(form->hsbSeek->maximum(), 3725);
    EXPECT_EQ(visibleFileMenu(),
              QStringList({"開く(&O)...", "-", "/rec/会議.wav 00:03:17", "/rec/b.wav 00:00:30", "-",
                           "履歴削除(&D)", "-", "終了(&X)"}));
    form->tmrMain_Timer();
    EXPECT_EQ(form->lblState->text(), "一時停止");
    EXPECT_EQ(form->lblPTime->text(), "00:03:17");
    EXPECT_EQ(form->hsbSeek->value(), 197);
}

TEST_F(WindowSetup, MostRecentFileGoneAsksBeforeTheWindowShows) {
    SettingsText s;
    s.history[0] = "\"/rec/gone.wav\",197";
    s.history[1] = "\"/rec/b.wav\",30";
    writeSettings(s);
    engine->openSucceeds = false;
    engine->lastError = 1;
    messages.answer(MessageResult::Yes);
    start();
    ASSERT_EQ(messages.calls.size(), 2u);
    EXPECT_TRUE(messages.calls[0].text.startsWith("ErrNo:1  "));
    EXPECT_EQ(messages.calls[1].text, "メニューの履歴から /rec/gone.wav を削除しますか");
    EXPECT_EQ(History[1], HistoryEntry({"/rec/b.wav", 30}));
    EXPECT_EQ(visibleFileMenu(), QStringList({"開く(&O)...", "-", "/rec/b.wav 00:00:30", "-",
                                              "履歴削除(&D)", "-", "終了(&X)"}));
    EXPECT_EQ(form->windowTitle(), "メモタップ");
}

TEST_F(WindowSetup, FileMenuAfterClearAndWhatClosingThenSaves) {
    SettingsText s;
    s.history[0] = "\"/rec/a.wav\",60";
    s.history[1] = "\"/rec/b.wav\",30";
    writeSettings(s);
    start();
    form->mnuClear->trigger();
    EXPECT_EQ(visibleFileMenu(), QStringList({"開く(&O)...", "-", "終了(&X)"}));

    // The file is still open and plays on; closing stores its place in the
    // emptied first entry.
    engine->state = StatePlaying;
    engine->position = 75;
    form->tmrMain_Timer();
    form->close();
    QByteArray saved;
    ASSERT_EQ(textfile::readAll(folder.filePath(SettingsFileName), saved),
              textfile::ReadStatus::Ok);
    const QStringList lines = textfile::decode(saved).split("\r\n");
    ASSERT_GE(lines.size(), 6);
    EXPECT_EQ(lines.mid(1, 5), QStringList({"\"\",75", "\"\",0", "\"\",0", "\"\",0", "\"\",0"}));
}

} // namespace
