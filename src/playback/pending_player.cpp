// Pending: history, opening files, transport, repeat and speed commands.
// Each definition moves to its own file as it is built; this file then goes.
#include "core/modMain.h"
#include "mainwindow/frmMain.h"

namespace modMain {
Long FindHistory(const QString&) { return 0; }
void PushHistory(Long, const QString&) {}
void RemoveHistory(Long) {}
void RefreshHistoryMenu() {}
QString FormatHms(Long) { return {}; }
void OpenAudioFile(const QString&) {}
void TogglePlayPause() {}
void FastForward() {}
void Rewind() {}
void SeekToStart() {}
void SeekToEnd() {}
void SeekScroll() {}
void SeekChange() {}
void ToggleRepeat() {}
void ApplyPitch(Long) {}
} // namespace modMain

void frmMain::cmdPlayPause_Click() {}
void frmMain::cmdREW_Click() {}
void frmMain::cmdFF_Click() {}
void frmMain::cmdSetStart_Click() {}
void frmMain::cmdSetEnd_Click() {}
void frmMain::hsbSeek_Change() {}
void frmMain::hsbSeek_Scroll() {}
void frmMain::tmrMain_Timer() {}
void frmMain::chkRep_Click() {}
void frmMain::tmrRep_Timer() {}
void frmMain::udPitch_Change() {}
void frmMain::udRev_Change() {}
void frmMain::udRep_Change() {}
void frmMain::udREW_FF_Change() {}
void frmMain::mnuOpen_Click() {}
void frmMain::mnuHistry_Click(int) {}
void frmMain::mnuClear_Click() {}
