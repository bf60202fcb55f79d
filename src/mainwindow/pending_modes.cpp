// Pending: window modes, equalizer panel, colours, help, version and mixer.
// Each definition moves to its own file as it is built; this file then goes.
#include "core/modMain.h"
#include "mainwindow/frmMain.h"

namespace modMain {
void ApplyTopMost() {}
void ApplyColours() {}
} // namespace modMain

void frmMain::mnuOther_Click() {}
void frmMain::mnuHelp_Help_Click() {}
void frmMain::mnuVersion_Click() {}
void frmMain::cmdVol_Click() {}
void frmMain::chkWindowPos_Click() {}
void frmMain::chkMinMax_Click() {}
void frmMain::cmdEQ_Click() {}
void frmMain::chkUse_Click() {}
void frmMain::optEQ_Click(int) {}
void frmMain::vsbEQ_Change(int) {}
void frmMain::vsbEQ_Scroll(int) {}

namespace modMain {
void UnloadColorForm() {}
} // namespace modMain
