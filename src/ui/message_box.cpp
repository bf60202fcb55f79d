#include "ui/message_box.h"

#include "ui/forms.h"
#include "ui/frmMain.h"
#include "ui/session_close.h"

#include "core/log.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPointer>
#include <memory>

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

MessageResult Unanswered(const MessageCall& call) {
    return call.buttons == MessageButtons::Ok ? MessageResult::Ok : MessageResult::No;
}

// Modal to parent's window where there is one, to the whole program
// otherwise; the answer comes when the box closes.
void ShowBox(const MessageCall& call, QWidget* parent, const MessageAnswer& done) {
    // Nobody waits for an answer while the player closes.
    if (PlayerClosePending()) {
        qCInfo(lcUi).noquote() << "closing, box not shown:" << call.title << call.text;
        done(Unanswered(call));
        return;
    }
    const bool question = call.buttons == MessageButtons::YesNo;
    auto* box =
        new QMessageBox(QtIcon(call.icon), call.title, call.text,
                        question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, parent);
    // A box before the main window is up must not end the program as it closes.
    box->setAttribute(Qt::WA_QuitOnClose, false);
    if (question) {
        box->setDefaultButton(QMessageBox::Yes);
        box->setEscapeButton(QMessageBox::No);
    }
    if (!call.checkBoxText.isEmpty())
        box->setCheckBox(new QCheckBox(call.checkBoxText, box));
    auto answered = std::make_shared<bool>(false);
    QObject::connect(box, &QDialog::finished, box,
                     [box, question, checked = call.checked, done, answered] {
                         *answered = true;
                         if (checked && box->checkBox())
                             *checked = box->checkBox()->isChecked();
                         box->deleteLater();
                         if (!question)
                             done(MessageResult::Ok);
                         else if (box->clickedButton() == box->button(QMessageBox::Yes))
                             done(MessageResult::Yes);
                         else
                             done(MessageResult::No);
                     });
    // Gone with its window without an answer (the window closed from outside).
    QObject::connect(box, &QObject::destroyed, [done, answered, unanswered = Unanswered(call)] {
        if (!*answered)
            done(unanswered);
    });
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    box->show();
}

} // namespace

void ShowMessage(const QString& text, const QString& title, MessageIcon icon,
                 MessageButtons buttons, QWidget* parent, MessageAnswer then) {
    PresentMessage(
        MessageCall{text, title, icon, buttons, {}, nullptr},
        [owner = QPointer<QWidget>(parent)](const MessageCall& call, MessageAnswer done) {
            ShowBox(call, owner, done);
        },
        std::move(then));
}

void InstallMessagePresenter() {
    SetMessagePresenter([](const MessageCall& call, MessageOwner owner, MessageAnswer done) {
        QWidget* parent = owner == MessageOwner::MainWindow ? MainForm : nullptr;
        ShowBox(call, parent, done);
    });
}

} // namespace modMain
