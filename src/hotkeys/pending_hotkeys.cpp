// Pending: the window hook, the hotkey table and the hotkey dialog.
#include "core/modMain.h"
#include "mainwindow/frmMain.h"

void frmMain::mnuHotKey_Click() {}

namespace modMain {
void HookWindow(frmMain*) {}
void UnhookWindow() {}
bool IsWindowHooked() { return false; }
} // namespace modMain

namespace modMain {
void LoadHotKeyForm() {}
void UnloadHotKeyForm() {}
} // namespace modMain
