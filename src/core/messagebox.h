// The program's one way to show a message box: every warning, question and
// notice goes through ShowMessage, so tests can record the boxes and answer
// them instead of a user.
#pragma once

#include "core/modMain.h"

#include <QString>
#include <functional>

class QWidget;

namespace modMain {

enum class MessageIcon { None, Warning, Question, Information };
enum class MessageButtons { Ok, YesNo };
enum class MessageResult { Ok, Yes, No };

struct MessageCall {
    QString text;
    QString title;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

// Shows a modal box and returns the button pressed. A Yes/No box closed
// without an answer counts as No.
MessageResult ShowMessage(const QString& text, const QString& title = AppTitle,
                          MessageIcon icon = MessageIcon::None,
                          MessageButtons buttons = MessageButtons::Ok, QWidget* parent = nullptr);

// While a hook is set, ShowMessage hands every box to it instead of showing
// it; the hook's result is the button pressed. An empty hook shows real boxes.
using MessageHook = std::function<MessageResult(const MessageCall&)>;
void SetMessageHookForTesting(MessageHook hook);

} // namespace modMain
