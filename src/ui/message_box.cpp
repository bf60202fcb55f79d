#include "ui/message_box.h"

#include "ui/forms.h"
#include "ui/frmMain.h"
#include "ui/session_close.h"

#include "core/log.h"

#include <QCheckBox>
#include <QMessageBox>

namespace modMain {

namespace {

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

MessageResult ShowBox(const MessageCall& call, QWidget* parent) {
    // Nobody waits for an answer while the player closes.
    if (PlayerClosePending()) {
        qCInfo(lcUi).noquote() << "closing, box not shown:" << call.title << call.text;
        return call.buttons == MessageButtons::Ok ? MessageResult::Ok : MessageResult::No;
    }
    if (call.buttons == MessageButtons::Ok) {
        QMessageBox box(QtIcon(call.icon), call.title, call.text, QMessageBox::Ok, parent);
        if (!call.checkBoxText.isEmpty())
            box.setCheckBox(new QCheckBox(call.checkBoxText, &box));
        box.exec();
        if (call.checked && box.checkBox())
            *call.checked = box.checkBox()->isChecked();
        return MessageResult::Ok;
    }
    QMessageBox box(QtIcon(call.icon), call.title, call.text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? MessageResult::Yes : MessageResult::No;
}

} // namespace

MessageResult ShowMessage(const QString& text, const QString& title, MessageIcon icon,
                          MessageButtons buttons, QWidget* parent) {
    const MessageCall call{text, title, icon, buttons, {}, nullptr};
    return PresentMessage(call, [&call, parent] { return ShowBox(call, parent); });
}

void InstallMessagePresenter() {
    SetMessagePresenter([](const MessageCall& call, MessageOwner owner) {
        QWidget* parent = owner == MessageOwner::MainWindow ? MainForm : nullptr;
        return ShowBox(call, parent);
    });
}

} // namespace modMain
