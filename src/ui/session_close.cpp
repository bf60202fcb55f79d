#include "ui/session_close.h"

#include "core/log.h"
#include "core/messagebox.h"
#include "ui/forms.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

namespace modMain {

namespace {

bool closeRequested = false;
int modalDialogs = 0;

void DismissOpenDialogs() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(widget);
        if (dialog && dialog->isVisible()) {
            qCInfo(lcUi) << "closing" << dialog->windowTitle() << "for the close";
            dialog->reject();
        }
    }
}

// Tried again from the event loop: a dialog's own loop returns only there.
void CloseSoon() {
    QTimer::singleShot(0, qApp, CloseIfRequested);
}

} // namespace

void RequestPlayerClose() {
    const bool first = !closeRequested;
    closeRequested = true;
    if (first) {
        static const bool listening = [] {
            AddMessageBoxesClosedHandler([] {
                if (closeRequested)
                    CloseSoon();
            });
            return true;
        }();
        Q_UNUSED(listening);
    }
    DismissOpenDialogs();
    CloseSoon();
}

bool PlayerClosePending() {
    return closeRequested;
}

void CloseIfRequested() {
    // The window exists once the settings are read, so a close from then on
    // saves what was loaded; one during the reopen of the last file need not
    // wait for a slow share.
    if (!closeRequested || !MainForm || MessageBoxOpen() || modalDialogs > 0)
        return;
    if (MainForm)
        MainForm->close();
}

ModalDialogScope::ModalDialogScope() {
    ++modalDialogs;
}

ModalDialogScope::~ModalDialogScope() {
    if (--modalDialogs == 0 && closeRequested)
        CloseSoon();
}

} // namespace modMain
