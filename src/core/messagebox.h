// The program's one way to show a message box: every warning, question and
// notice goes through here, so tests can record the boxes and answer them
// instead of a user. The windows install the presenter that really shows
// them.
#pragma once

#include "core/modMain.h"

#include <QString>
#include <functional>

namespace modMain {

enum class MessageIcon { None, Warning, Question, Information };
enum class MessageButtons { Ok, YesNo };
enum class MessageResult { Ok, Yes, No };
// The window a box belongs to: none (centred on the screen) or the main window.
enum class MessageOwner { None, MainWindow };

struct MessageCall {
    QString text;
    QString title;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    // A check box below the text when not empty; its state is written to
    // *checked when the box closes.
    QString checkBoxText;
    bool* checked = nullptr;
};

// Shows a modal box and returns the button pressed. A Yes/No box closed
// without an answer counts as No.
MessageResult ShowMessage(const QString& text, const QString& title = AppTitle,
                          MessageIcon icon = MessageIcon::None,
                          MessageButtons buttons = MessageButtons::Ok,
                          MessageOwner owner = MessageOwner::None);

// ShowMessage with a check box, which starts cleared; checked tells whether
// the user ticked it.
MessageResult ShowMessageWithCheckBox(const QString& text, const QString& title, MessageIcon icon,
                                      const QString& checkBoxText, bool& checked);

// Runs show for the box call unless a test hook takes it, and counts the box
// as open meanwhile. Presenters and dialogs that own their boxes use it.
MessageResult PresentMessage(const MessageCall& call, const std::function<MessageResult()>& show);

// True while a box is up.
bool MessageBoxOpen();
// Adds a handler that runs each time the last open box has closed.
void AddMessageBoxesClosedHandler(std::function<void()> handler);

// Shows boxes for ShowMessage; without one a box is only logged and
// answered as if closed (Ok, or No).
using MessagePresenter = std::function<MessageResult(const MessageCall&, MessageOwner)>;
void SetMessagePresenter(MessagePresenter presenter);

// While a hook is set, every box is handed to it instead of being shown; the
// hook's result is the button pressed. An empty hook shows real boxes.
using MessageHook = std::function<MessageResult(const MessageCall&)>;
void SetMessageHookForTesting(MessageHook hook);

} // namespace modMain
