#include "ui/frmMain.h"
#include "ui/frmPedal.h"

// Shows the pedal dialog, made on first use, without making it modal.
void frmMain::mnuPedal_Click() {
    modMain::ShowPedalForm();
}
