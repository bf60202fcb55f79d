// The hotkeys of a Wayland session: the active records asked of the desktop
// at start, and what the player does when the desktop cannot give them. On
// GNOME without the portal it offers, once, GNOME's own shortcuts running the
// command line; otherwise one box says the hotkeys are not available and
// what works instead. The player runs on either way.
#pragma once

#include <QString>
#include <functional>

namespace modMain {

class DesktopShortcuts;

// Binds the active records through desktop and answers its outcome.
void StartDesktopHotkeys(DesktopShortcuts& desktop);

// After the hotkey dialog changed record and the desktop gave no shortcuts:
// GNOME's shortcuts, where the user has them, take that record's key.
// done(true), from the event loop, when they did.
void UpdateGnomeShortcuts(int record, std::function<void(bool)> done);

// The box saying the hotkeys are not available in this session, with the
// check box that turns it off for later runs; shown at most once a run.
void ShowHotkeysUnavailable();

// How GNOME's shortcuts start the command line: the `memotap` beside the
// player, quoted for a shell.
QString ClientCommandLine();

// Back to the state before start (tests).
void ResetDesktopHotkeysForTesting();

} // namespace modMain
