// Closing the player from outside: a termination signal or the desktop's
// log-out. The close is the one ファイル > 終了 runs, but it waits for nobody:
// open boxes and dialogs are closed unanswered first, and a close during
// start-up waits until the settings are read and the window is up, so what
// is saved is what was loaded.
#pragma once

namespace modMain {

void RequestPlayerClose();
// True once a close was requested: boxes shown from then on are answered as
// if closed, without being shown.
bool PlayerClosePending();
// Runs a requested close once the window is up.
void CloseIfRequested();

} // namespace modMain
