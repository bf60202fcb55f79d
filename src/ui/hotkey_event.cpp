#include "ui/hotkey_event.h"

#include <QCoreApplication>

namespace modMain {

QEvent::Type HotKeyEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void SendHotKeyMessage(QObject* window, Long id) {
    if (!window)
        return;
    HotKeyEvent message(id);
    QCoreApplication::sendEvent(window, &message);
}

} // namespace modMain
