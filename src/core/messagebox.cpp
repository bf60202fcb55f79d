#include "core/messagebox.h"

#include "core/log.h"

namespace modMain {

namespace {

MessageHook& Hook() {
    static MessageHook hook;
    return hook;
}

MessagePresenter& Presenter() {
    static MessagePresenter presenter;
    return presenter;
}

std::function<void()>& ClosedHandler() {
    static std::function<void()> handler;
    return handler;
}

int openBoxes = 0;

MessageResult Unanswered(const MessageCall& call) {
    return call.buttons == MessageButtons::Ok ? MessageResult::Ok : MessageResult::No;
}

} // namespace

MessageResult ShowMessage(const QString& text, const QString& title, MessageIcon icon,
                          MessageButtons buttons, MessageOwner owner) {
    const MessageCall call{text, title, icon, buttons};
    return PresentMessage(call, [&call, owner] {
        if (Presenter())
            return Presenter()(call, owner);
        qCWarning(lcUi).noquote() << "no window to show the box" << call.title << call.text;
        return Unanswered(call);
    });
}

MessageResult PresentMessage(const MessageCall& call, const std::function<MessageResult()>& show) {
    ++openBoxes;
    const MessageResult result = Hook() ? Hook()(call) : show();
    if (--openBoxes == 0 && ClosedHandler())
        ClosedHandler()();
    return result;
}

bool MessageBoxOpen() {
    return openBoxes > 0;
}

void SetMessageBoxesClosedHandler(std::function<void()> handler) {
    ClosedHandler() = std::move(handler);
}

void SetMessagePresenter(MessagePresenter presenter) {
    Presenter() = std::move(presenter);
}

void SetMessageHookForTesting(MessageHook hook) {
    Hook() = std::move(hook);
}

} // namespace modMain
