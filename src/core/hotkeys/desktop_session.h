// What kind of desktop session the player runs in: a Wayland session is one
// even when the player's window runs on XWayland, and there X11 key grabs
// only hear keys while an X11 window has the focus.
#pragma once

#include <QString>

namespace modMain {

// WAYLAND_DISPLAY set, or XDG_SESSION_TYPE "wayland".
bool IsWaylandSession(const QString& waylandDisplay, const QString& sessionType);
bool IsWaylandSession();

// XDG_CURRENT_DESKTOP names GNOME (a colon-separated list).
bool IsGnomeDesktop(const QString& currentDesktop);
bool IsGnomeDesktop();

// XDG_CURRENT_DESKTOP names KDE.
bool IsKdeDesktop(const QString& currentDesktop);
bool IsKdeDesktop();

// In a Wayland session the windows stay on XWayland, where always-on-top,
// compact mode and the saved position work, unless the user chose a platform
// in QT_QPA_PLATFORM or there is no X display. Runs before the application
// object exists; true when it chose xcb.
bool KeepWindowsOnXWayland();

} // namespace modMain
