// System-wide hotkeys behind one small seam: X11 key grabs here, the Windows
// RegisterHotKey pair in a Windows build, a recording fake in tests.
#pragma once

#include "core/modMain.h"

#include <QObject>
#include <memory>

namespace modMain {

class HotkeyBackend : public QObject {
    Q_OBJECT

  public:
    // Takes the combination system-wide for id: modifiers are the key file's
    // bits (1 Alt, 2 Ctrl, 4 Shift, 8 Win), virtualKey a code of KeyList.
    // False when the system refuses it, when this program already holds it, or
    // when the keyboard has no such key; nothing is taken then.
    virtual bool registerHotKey(Long id, Long modifiers, Long virtualKey) = 0;
    // Gives back what id holds; false when it holds nothing.
    virtual bool unregisterHotKey(Long id) = 0;

  signals:
    // A registered combination was pressed. Holding it down fires once.
    void pressed(modMain::Long id);
};

// The process's backend, created for the running platform on first use.
HotkeyBackend& hotkeyBackend();
// Replaces it (tests); a null pointer brings back the platform's on next use.
void setHotkeyBackend(std::unique_ptr<HotkeyBackend> backend);

// The platform's backend; where the platform has no global hotkeys (Wayland
// without X11) every registration fails.
std::unique_ptr<HotkeyBackend> makePlatformHotkeyBackend();
std::unique_ptr<HotkeyBackend> makeRefusingHotkeyBackend();

} // namespace modMain
