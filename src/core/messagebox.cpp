#include "core/messagebox.h"

#include "core/log.h"

#include <vector>

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

std::vector<std::function<void()>>& ClosedHandlers() {
    static std::vector<std::function<void()>> handlers;
    return handlers;
}

int openBoxes = 0;

MessageResult Unanswered(const MessageCall& call) {
    return call.buttons == MessageButtons::Ok ? MessageResult::Ok : MessageResult::No;
}

MessageResult Show(const MessageCall& call, MessageOwner owner) {
    return PresentMessage(call, [&call, owner] {
        if (Presenter())
            return Presenter()(call, owner);
        qCWarning(lcUi).noquote() << "no window to show the box" << call.title << call.text;
        return Unanswered(call);
    });
}

} // namespace

MessageResult ShowMessage(const QString& text, const QString& title, MessageIcon icon,
                          MessageButtons buttons, MessageOwner owner) {
    return Show(MessageCall{text, title, icon, buttons, {}, nullptr}, owner);
}

MessageResult ShowMessageWithCheckBox(const QString& text, const QString& title, MessageIcon icon,
                                      const QString& checkBoxText, bool& checked) {
    checked = false;
    return Show(MessageCall{text, title, icon, MessageButtons::Ok, checkBoxText, &checked},
                MessageOwner::None);
}

MessageResult PresentMessage(const MessageCall& call, const std::function<MessageResult()>& show) {
    // On one line, for those who read the log (and the end-to-end tests).
    qCDebug(lcUi).noquote() << "box" << call.title << "|"
                            << QString(call.text).replace(QLatin1String("\r\n"),
                                                          QLatin1String(" / "));
    ++openBoxes;
    const MessageResult result = Hook() ? Hook()(call) : show();
    if (--openBoxes == 0)
        for (const auto& handler : ClosedHandlers())
            handler();
    return result;
}

bool MessageBoxOpen() {
    return openBoxes > 0;
}

void AddMessageBoxesClosedHandler(std::function<void()> handler) {
    ClosedHandlers().push_back(std::move(handler));
}

void SetMessagePresenter(MessagePresenter presenter) {
    Presenter() = std::move(presenter);
}

void SetMessageHookForTesting(MessageHook hook) {
    Hook() = std::move(hook);
}

} // namespace modMain
