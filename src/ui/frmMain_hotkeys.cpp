#include "ui/forms.h"
#include "ui/frmHotKey.h"
#include "ui/frmMain.h"

// Shows the one hotkey dialog, loaded at start-up, without making it modal.
void frmMain::mnuHotKey_Click() {
    frmHotKey* form = modMain::HotKeyForm;
    if (!form)
        return;
    form->show();
    form->raise();
    form->activateWindow();
}
