#include "core/messagebox.h"

#include "core/log.h"

#include <QTimer>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace modMain {

namespace {

// The answer with the state of the box's check box.
using BoxAnswer = std::function<void(MessageResult, bool checked)>;

struct QueuedBox {
    MessageCall call;
    MessageShow show;
    BoxAnswer then;
    std::uint64_t serial = 0;
    bool checked = false;
    bool answered = false;
};

std::uint64_t lastSerial = 0;

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

std::vector<std::function<void()>>& Waiting() {
    static std::vector<std::function<void()>> waiting;
    return waiting;
}

// The box up front, then those waiting for it.
std::deque<std::unique_ptr<QueuedBox>>& Queue() {
    static std::deque<std::unique_ptr<QueuedBox>> queue;
    return queue;
}

MessageResult Unanswered(const MessageCall& call) {
    return call.buttons == MessageButtons::Ok ? MessageResult::Ok : MessageResult::No;
}

void ShowFront();

void AllClosed() {
    for (const auto& handler : ClosedHandlers())
        handler();
    if (Waiting().empty())
        return;
    // Out of the closing box's handler; a box shown meanwhile is waited for
    // again.
    QTimer::singleShot(0, [] {
        std::vector<std::function<void()>> next;
        next.swap(Waiting());
        for (auto& step : next)
            WhenMessageBoxesClosed(std::move(step));
    });
}

// Only the box up front has been shown, and it is answered once.
void Answer(std::uint64_t serial, MessageResult result) {
    if (Queue().empty() || Queue().front()->serial != serial || Queue().front()->answered)
        return;
    QueuedBox* box = Queue().front().get();
    box->answered = true;
    // Still counted as open: a box its answer shows comes next, without a
    // moment in which none is up.
    if (box->then)
        box->then(result, box->checked);
    Queue().pop_front();
    if (Queue().empty())
        AllClosed();
    else
        ShowFront();
}

void ShowFront() {
    QueuedBox* box = Queue().front().get();
    // On one line, for those who read the log (and the end-to-end tests).
    qCDebug(lcUi).noquote()
        << "box" << box->call.title << "|"
        << QString(box->call.text).replace(QLatin1String("\r\n"), QLatin1String(" / "));
    if (Hook()) {
        Answer(box->serial, Hook()(box->call));
        return;
    }
    box->show(box->call, [serial = box->serial](MessageResult result) { Answer(serial, result); });
}

// Shows the box through the windows' presenter.
MessageShow ThroughPresenter(MessageOwner owner) {
    return [owner](const MessageCall& call, MessageAnswer done) {
        if (Presenter()) {
            Presenter()(call, owner, std::move(done));
            return;
        }
        qCWarning(lcUi).noquote() << "no window to show the box" << call.title << call.text;
        done(Unanswered(call));
    };
}

void Enqueue(const MessageCall& call, MessageShow show, BoxAnswer then) {
    auto box = std::make_unique<QueuedBox>();
    box->call = call;
    box->show = std::move(show);
    box->then = std::move(then);
    box->serial = ++lastSerial;
    if (!box->call.checkBoxText.isEmpty())
        box->call.checked = &box->checked;
    Queue().push_back(std::move(box));
    if (Queue().size() == 1)
        ShowFront();
}

} // namespace

void ShowMessage(const QString& text, const QString& title, MessageIcon icon,
                 MessageButtons buttons, MessageOwner owner, MessageAnswer then) {
    PresentMessage(MessageCall{text, title, icon, buttons, {}, nullptr}, ThroughPresenter(owner),
                   std::move(then));
}

void ShowMessageWithCheckBox(const QString& text, const QString& title, MessageIcon icon,
                             const QString& checkBoxText, std::function<void(bool checked)> then) {
    Enqueue(MessageCall{text, title, icon, MessageButtons::Ok, checkBoxText, nullptr},
            ThroughPresenter(MessageOwner::None),
            [then = std::move(then)](MessageResult, bool checked) {
                if (then)
                    then(checked);
            });
}

void PresentMessage(const MessageCall& call, MessageShow show, MessageAnswer then) {
    Enqueue(call, std::move(show), [then = std::move(then)](MessageResult result, bool) {
        if (then)
            then(result);
    });
}

bool MessageBoxOpen() {
    return !Queue().empty();
}

void AddMessageBoxesClosedHandler(std::function<void()> handler) {
    ClosedHandlers().push_back(std::move(handler));
}

void WhenMessageBoxesClosed(std::function<void()> next) {
    if (MessageBoxOpen())
        Waiting().push_back(std::move(next));
    else
        next();
}

void SetMessagePresenter(MessagePresenter presenter) {
    Presenter() = std::move(presenter);
}

void SetMessageHookForTesting(MessageHook hook) {
    Hook() = std::move(hook);
}

} // namespace modMain
