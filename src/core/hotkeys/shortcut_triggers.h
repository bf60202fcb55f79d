// A binding of the key file written the way desktops name key combinations:
// the global shortcuts portal's triggers ("CTRL+space") and GNOME's
// accelerators ("<Control>space"). Both use the X keysym names of the keys.
#pragma once

#include "core/modMain.h"

#include <QString>

namespace modMain {

// The keysym name of a virtual-key code of KeyList; empty for 0 and for a
// code the list does not have.
QString KeysymName(Long virtualKey);

// "CTRL+ALT+SHIFT+LOGO+key" with the modifiers that are set; empty when the
// key has no name.
QString PortalTrigger(Long modifiers, Long virtualKey);

// "<Control><Alt><Shift><Super>key"; empty when the key has no name.
QString GnomeAccelerator(Long modifiers, Long virtualKey);

// A GNOME accelerator as GNOME's keyboard settings show it:
// "<Control><Alt>Page_Up" is "Ctrl+Alt+Page Up". Empty for no key.
QString GnomeKeyLabel(const QString& accelerator);

} // namespace modMain
