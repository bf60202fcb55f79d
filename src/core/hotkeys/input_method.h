// The input method running beside the player (fcitx 5, fcitx 4 or IBus) and
// its switch keys. A hotkey of the player that is also such a key plays
// instead of switching the input method, and nothing tells the user; so the
// player says so once at start, and the hotkey dialog marks such keys.
#pragma once

#include "core/hotkeys/switch_keys.h"

#include <QList>
#include <QObject>
#include <QString>
#include <optional>

namespace modMain {

struct InputMethod {
    QString name; // as the user knows it: "fcitx5", "fcitx", "IBus"
    QList<SwitchKey> switchKeys;
};

// Tells the windows when the input method became known.
class InputMethodEvents : public QObject {
    Q_OBJECT
  signals:
    void changed();
};
InputMethodEvents& InputMethodChanges();
void SetInputMethodEvents(InputMethodEvents* events);

// What the platform's check found at start (nothing when no input method
// runs). When the player holds one of its switch keys, one box names those
// bindings and the ways out, with the check box that turns it off for later
// runs; it waits for other boxes to close and comes at most once a run.
void SetRunningInputMethod(const std::optional<InputMethod>& method);
const std::optional<InputMethod>& RunningInputMethod();

// The running input method's name when it switches with this combination;
// empty otherwise.
QString InputMethodSwitchingWith(Long modifiers, Long virtualKey);
// The records of the hotkey dialog, in its order, whose active binding is a
// switch key of the running input method.
QList<int> RecordsOnSwitchKeys();

void ResetInputMethodForTesting();

} // namespace modMain
