// Which input method runs beside the player, and its switch keys, found once
// at start without waiting: the answer reaches the core when it comes.
#pragma once

class QObject;

namespace inputs {

// Looks for a running fcitx 5, fcitx 4 or IBus, in this order, and hands
// what it found to SetRunningInputMethod; owner owns the check.
void StartInputMethodCheck(QObject* owner);

} // namespace inputs
