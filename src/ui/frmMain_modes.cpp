// Window modes: always on top, and the compact mode that shrinks the window
// to its status strip without a menu bar.
#include "core/modMain.h"
#include "ui/forms.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QMenuBar>
#include <QWindow>

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
    Qt::WindowFlags flags = MainForm->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, AlwaysOnTop == 1);
    if (flags == MainForm->windowFlags())
        return;
    // Once the window exists, the window manager is told directly: changing
    // the widget's flags would destroy and recreate the window, which loses
    // the focus and, on X11, the window's identity.
    if (QWindow* window = MainForm->windowHandle()) {
        MainForm->overrideWindowFlags(flags);
        window->setFlags(flags);
    } else {
        MainForm->setWindowFlags(flags);
    }
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
