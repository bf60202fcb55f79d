// System-wide hotkeys behind one small seam: the platform's backend (X11 key
// grabs) set at start-up, a recording fake in tests.
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
    // A registered combination was let go (hold-to-play).
    void released(modMain::Long id);
};

// The backend the composition root handed over; while there is none, one that
// refuses every registration, since saying so is better than pretending.
HotkeyBackend& hotkeyBackend();
// Replaces it; a null pointer brings back the refusing one.
void setHotkeyBackend(std::unique_ptr<HotkeyBackend> backend);

std::unique_ptr<HotkeyBackend> makeRefusingHotkeyBackend();

} // namespace modMain
