// The windows of the player and the procedures that work on them.
#pragma once

class frmMain;
class frmHotKey;
class frmColor;

namespace modMain {

extern frmMain* MainForm;
extern frmHotKey* HotKeyForm;
extern frmColor* ColorForm;

// Window modes and colours.
void ApplyTopMost();
void ApplyColours();

// The hook on the main window that receives dropped files.
void HookWindow(frmMain* window);
void UnhookWindow();
bool IsWindowHooked();

// The two dialogs: the hotkey dialog lives hidden from start-up to exit and
// shows the bindings; the colour dialog exists only while it is open.
void LoadHotKeyForm();
void UnloadHotKeyForm();
void UnloadColorForm();

// Shows message boxes for the core, owned by the main window where asked.
void InstallMessagePresenter();

} // namespace modMain
