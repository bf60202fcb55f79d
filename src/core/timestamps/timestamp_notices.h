// The words the timestamp commands say once where the desktop keeps them
// from doing their work; each box offers "次回から表示しない", kept in the
// extra settings file.
#pragma once

namespace modMain {

// On a Wayland session the inserted timestamp goes to the clipboard instead.
void ShowInsertCopiesInstead();
// On KDE's Wayland session a global key gets no selection from a Wayland
// program.
void ShowSelectionUnreadable();

} // namespace modMain
