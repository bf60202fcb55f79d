#include "core/messagebox.h"

#include <QMessageBox>

namespace modMain {

namespace {

MessageHook& Hook() {
    static MessageHook hook;
    return hook;
}

QMessageBox::Icon QtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MessageResult ShowMessage(const QString& text, const QString& title, MessageIcon icon,
                          MessageButtons buttons, QWidget* parent) {
    if (Hook())
        return Hook()(MessageCall{text, title, icon, buttons});

    if (buttons == MessageButtons::Ok) {
        QMessageBox box(QtIcon(icon), title, text, QMessageBox::Ok, parent);
        box.exec();
        return MessageResult::Ok;
    }
    QMessageBox box(QtIcon(icon), title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? MessageResult::Yes : MessageResult::No;
}

void SetMessageHookForTesting(MessageHook hook) {
    Hook() = std::move(hook);
}

} // namespace modMain
