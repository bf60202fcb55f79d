#include "ui/session_close.h"

#include "core/log.h"
#include "ui/forms.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

namespace modMain {

namespace {

bool closeRequested = false;

// Each answers as if closed: a box's answer, a file dialog's cancel.
void DismissOpenDialogs() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog && dialog->isVisible()) {
            qCInfo(lcUi) << "closing" << dialog->windowTitle() << "for the close";
            dialog->reject();
        }
    }
}

} // namespace

void RequestPlayerClose() {
    closeRequested = true;
    DismissOpenDialogs();
    // From the event loop, out of whatever asked.
    QTimer::singleShot(0, qApp, CloseIfRequested);
}

bool PlayerClosePending() {
    return closeRequested;
}

void CloseIfRequested() {
    // The window exists once the settings are read, so a close from then on
    // saves what was loaded; one during the reopen of the last file need not
    // wait for a slow share.
    if (closeRequested && MainForm)
        MainForm->close();
}

} // namespace modMain
