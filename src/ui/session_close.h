// Closing the player from outside: a termination signal or the desktop's
// log-out. The close is the one ファイル > 終了 runs, but it waits for nobody:
// open boxes and dialogs are closed unanswered first, the window goes only
// once their loops have returned, and a close during start-up waits until
// the settings are read and the window is up, so what is saved is what was
// loaded.
#pragma once

namespace modMain {

void RequestPlayerClose();
// True once a close was requested: boxes shown from then on are answered as
// if closed, without being shown.
bool PlayerClosePending();
// Runs a requested close when nothing stands in its way any more.
void CloseIfRequested();

// Counts a modal dialog of the windows while it runs.
class ModalDialogScope {
  public:
    ModalDialogScope();
    ~ModalDialogScope();
    ModalDialogScope(const ModalDialogScope&) = delete;
    ModalDialogScope& operator=(const ModalDialogScope&) = delete;
};

} // namespace modMain
