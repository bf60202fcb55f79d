// Window modes: the height and menu bar of every pair of compact mode and
// equalizer panel, what each height leaves visible, and always on top.
#include "ui/equalizer_input.h"
#include "ui/modes_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

using namespace modMain;

namespace {

int Px(int twips) {
    return (twips + TwipsPerPixel / 2) / TwipsPerPixel;
}

QStringList VisibleMenus(frmMain& form) {
    QStringList menus;
    for (QAction* action : form.menuBar()->actions())
        if (action->isVisible())
            menus << action->text();
    return menus;
}

// Whether a control of the client area lies wholly inside the part the
// window shows.
bool Shown(frmMain& form, QWidget* control) {
    const QRect client = form.centralWidget()->rect();
    return client.contains(control->geometry());
}

class WindowModes : public StartedWindow {
  protected:
    void SetUp() override {
        StartedWindow::SetUp();
        start();
    }

    void clickMin() { ClickIndicator(form->chkMinMax); }

    // The outer height of the design, the client area it leaves visible and
    // the menu bar that goes with it.
    void expectMode(int outerTwips, int clientTwips, bool menuBar) {
        SCOPED_TRACE(outerTwips);
        EXPECT_EQ(form->OuterHeight(), outerTwips);
        EXPECT_EQ(form->menuBar()->isVisible(), menuBar);
        EXPECT_EQ(form->centralWidget()->height(), Px(clientTwips));
        const int menuHeight = menuBar ? form->menuBar()->height() : 0;
        EXPECT_EQ(form->height(), menuHeight + Px(clientTwips));
        EXPECT_EQ(form->width(), Px(5265));
        if (menuBar)
            EXPECT_EQ(VisibleMenus(*form), QStringList({"ファイル(&F)", "設定(&S)", "ヘルプ(&H)"}));
        else
            EXPECT_TRUE(VisibleMenus(*form).isEmpty());
    }

    void expectNormal() {
        expectMode(1875, 1240, true);
        // Status strip, seek, settings and transport rows; no equalizer.
        for (QWidget* control : std::initializer_list<QWidget*>{
                 (form->lblPanel), form->hsbSeek, form->chkWindowPos, form->cmdVol, form->cmdREW,
                 form->udREW_FF, form->cmdEQ})
            EXPECT_TRUE(Shown(*form, control)) << control->objectName().toStdString();
        EXPECT_FALSE(Shown(*form, form->chkUse));
    }

    void expectEqualizerShown() {
        expectMode(3825, 3165, true);
        for (QWidget* control : std::initializer_list<QWidget*>{
                 (form->cmdEQ), form->chkUse, form->vsbEQ[0], form->vsbEQ[9], form->lblFreq[9],
                 form->optEQ[6], form->lblEQ3})
            EXPECT_TRUE(Shown(*form, control)) << control->objectName().toStdString();
    }

    void expectCompact() {
        expectMode(715, 330, false);
        for (QWidget* control :
             std::initializer_list<QWidget*>{(form->lblPanel), form->chkMinMax, form->lblState,
                                             form->lblRepTime, form->lblTTime})
            EXPECT_TRUE(Shown(*form, control)) << control->objectName().toStdString();
        EXPECT_FALSE(Shown(*form, form->hsbSeek));
    }
};

TEST_F(WindowModes, StartsNormalAndCompactModeReturnsToNormal) {
    expectNormal();

    clickMin();
    EXPECT_TRUE(form->chkMinMax->isChecked());
    expectCompact();

    clickMin();
    expectNormal();
}

TEST_F(WindowModes, EqualizerPanelSurvivesCompactMode) {
    form->cmdEQ->click();
    EXPECT_TRUE(form->EqualizerShown);
    expectEqualizerShown();

    clickMin();
    expectCompact();
    EXPECT_TRUE(form->EqualizerShown);

    clickMin();
    expectEqualizerShown();

    form->cmdEQ->click();
    EXPECT_FALSE(form->EqualizerShown);
    expectNormal();
}

TEST_F(WindowModes, EqButtonInCompactModeKeepsTheMenusHidden) {
    clickMin();
    // From the keyboard, as the mouse cannot reach the hidden button.
    form->cmdEQ->click();
    EXPECT_TRUE(form->EqualizerShown);
    EXPECT_TRUE(form->chkMinMax->isChecked());
    expectMode(3825, 3165, false);

    form->cmdEQ->click();
    expectMode(1875, 1240, false);
    form->cmdEQ->click();

    clickMin();
    expectEqualizerShown();
}

TEST_F(WindowModes, CompactModeKeepsThePositionAndAlwaysOnTop) {
    form->move(120, 90);
    const QPoint before = form->pos();
    ASSERT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    clickMin();

    EXPECT_EQ(form->pos(), before);
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(form->isVisible());
}

// The defaults keep the window on top; the check box switches it, the
// setting follows, and the window stays where it is and on screen.
TEST_F(WindowModes, AlwaysOnTopFollowsTheCheckBox) {
    ASSERT_EQ(AlwaysOnTop, 1);
    EXPECT_TRUE(form->chkWindowPos->isChecked());
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    form->move(200, 150);
    const QPoint before = form->pos();

    ClickIndicator(form->chkWindowPos);
    EXPECT_EQ(AlwaysOnTop, 0);
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->pos(), before);

    ClickIndicator(form->chkWindowPos);
    EXPECT_EQ(AlwaysOnTop, 1);
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->pos(), before);
    // The flag change recreates nothing the height rule depends on.
    expectNormal();
}

class AlwaysOnTopSetting : public StartedWindow {};

TEST_F(AlwaysOnTopSetting, IsFoundAgainAfterARestart) {
    start();
    ClickIndicator(form->chkWindowPos);
    ASSERT_EQ(AlwaysOnTop, 0);
    form->close();
    form.reset();

    const QList<QByteArray> firstLine = settingsBytes().split('\r').first().split(',');
    ASSERT_EQ(firstLine.size(), 3);
    EXPECT_EQ(firstLine[2], "0");
    AlwaysOnTop = 1;
    start();
    EXPECT_EQ(AlwaysOnTop, 0);
    EXPECT_FALSE(form->chkWindowPos->isChecked());
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(AlwaysOnTopSetting, AnyValueButOneIsAnOrdinaryWindow) {
    writeSettings({"0,0,2", "\"\",0", "\"\",0", "\"\",0", "\"\",0", "\"\",0", "100,0,10,4,4", "2",
                   "0,0,0,\"黒\"", "255,255,255,\"白\"", "0,1"});
    start();
    EXPECT_FALSE(form->chkWindowPos->isChecked());
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(AlwaysOnTop, 2);
}

} // namespace
