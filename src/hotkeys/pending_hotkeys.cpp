// Pending: the window hook, the hotkey table and the hotkey dialog.
#include "core/modMain.h"

namespace modMain {
void HookWindow(frmMain*) {}
void UnhookWindow() {}
bool IsWindowHooked() { return false; }
} // namespace modMain

namespace modMain {
void LoadHotKeyForm() {}
void UnloadHotKeyForm() {}
} // namespace modMain
