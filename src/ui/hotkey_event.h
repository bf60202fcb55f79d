// The message a pressed hotkey sends to the window it is registered on. The
// window's hook acts on it; without the hook the window ignores it.
#pragma once

#include "core/modMain.h"

#include <QEvent>

class QObject;

namespace modMain {

class HotKeyEvent : public QEvent {
  public:
    explicit HotKeyEvent(Long id) : QEvent(eventType()), id_(id) {}
    static QEvent::Type eventType();
    Long id() const { return id_; }

  private:
    Long id_;
};

// Delivers the message at once, as the system does with its hotkey message.
void SendHotKeyMessage(QObject* window, Long id);

} // namespace modMain
