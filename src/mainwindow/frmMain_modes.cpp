// Window modes: always on top, and the compact mode that shrinks the window
// to its status strip without a menu bar.
#include "core/modMain.h"
#include "mainwindow/frmMain.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QMenuBar>

using namespace modMain;

namespace {

// Shows or hides the three top-level menus in menu order. An empty menu bar
// would still take a row, so the bar itself goes when all three are hidden.
void ShowMenus(frmMain& form, bool visible) {
    for (QMenu* menu : {form.mnuFile, form.mnuSetUp, form.mnuHelp})
        menu->menuAction()->setVisible(visible);
    form.menuBar()->setVisible(visible);
}

} // namespace

namespace modMain {

void ApplyTopMost() {
    if (!MainForm)
        return;
    const bool onTop = AlwaysOnTop == 1;
    if (MainForm->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    // Changing a window flag hides a shown window; Qt keeps its position.
    const bool wasVisible = MainForm->isVisible();
    MainForm->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (wasVisible && !MainForm->isVisible())
        MainForm->show();
}

} // namespace modMain

void frmMain::chkWindowPos_Click() {
    AlwaysOnTop = chkWindowPos->checkState() == Qt::Unchecked ? 0 : 1;
    ApplyTopMost();
}

void frmMain::chkMinMax_Click() {
    if (chkMinMax->checkState() == Qt::Checked) {
        ShowMenus(*this, false);
        SetOuterHeight(715);
    } else {
        ShowMenus(*this, true);
        SetOuterHeight(EqualizerShown ? 3825 : 1875);
    }
}
