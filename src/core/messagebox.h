// The program's one way to show a message box: every warning, question and
// notice goes through here, so tests can record the boxes and answer them
// instead of a user. The windows install the presenter that really shows
// them.
//
// A box does not wait for its answer: the call returns at once and the
// answer comes later to the function given with it. Boxes come one at a
// time, in the order they were asked for.
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
    // A check box below the text when not empty; whoever shows the box
    // writes its state to *checked before answering.
    QString checkBoxText;
    bool* checked = nullptr;
};

// Receives the button pressed once the box has closed.
using MessageAnswer = std::function<void(MessageResult)>;

// Shows a modal box after those already up or waiting. A Yes/No box closed
// without an answer counts as No.
void ShowMessage(const QString& text, const QString& title = AppTitle,
                 MessageIcon icon = MessageIcon::None, MessageButtons buttons = MessageButtons::Ok,
                 MessageOwner owner = MessageOwner::None, MessageAnswer then = {});

// ShowMessage of an Ok box with a check box, which starts cleared; then
// learns whether the user ticked it.
void ShowMessageWithCheckBox(const QString& text, const QString& title, MessageIcon icon,
                             const QString& checkBoxText, std::function<void(bool checked)> then);

// Shows the box call and hands its answer to done, once.
using MessageShow = std::function<void(const MessageCall&, MessageAnswer done)>;

// Queues the box call to be shown by show, unless a test hook takes it, and
// counts it as open until then has run. Presenters and dialogs that own
// their boxes use it.
void PresentMessage(const MessageCall& call, MessageShow show, MessageAnswer then);

// True while a box is up or waiting to come up.
bool MessageBoxOpen();
// Adds a handler that runs each time the last open box has closed.
void AddMessageBoxesClosedHandler(std::function<void()> handler);
// Runs next at once when no box is up, otherwise from the event loop once
// the last one has closed: what comes after a step's boxes waits for them.
void WhenMessageBoxesClosed(std::function<void()> next);

// Shows boxes for ShowMessage; without one a box is only logged and
// answered as if closed (Ok, or No).
using MessagePresenter = std::function<void(const MessageCall&, MessageOwner, MessageAnswer done)>;
void SetMessagePresenter(MessagePresenter presenter);

// While a hook is set, every box is handed to it instead of being shown; the
// hook's result is the button pressed, answered at once. An empty hook shows
// real boxes.
using MessageHook = std::function<MessageResult(const MessageCall&)>;
void SetMessageHookForTesting(MessageHook hook);

} // namespace modMain
