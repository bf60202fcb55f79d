// The hook on the main window: it takes the files dropped on the window, opens
// them through the command table, and passes every event on to the window
// unchanged.
#include "core/commands.h"
#include "core/modMain.h"
#include "ui/forms.h"
#include "ui/frmMain.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPointer>
#include <QUrl>

namespace modMain {

namespace {

class WindowHook : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The hooked window and its hook; both null when no hook is in place.
QPointer<frmMain> HookedHwnd;
QPointer<WindowHook> Hook;

// The first local file a drag carries, or "" when it carries none.
QString FirstLocalFile(const QMimeData* mime) {
    if (!mime || !mime->hasUrls())
        return {};
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile())
            return url.toLocalFile();
    return {};
}

// Runs once the drop is over: a message box of OpenAudioFile must not hold
// up the program the file came from.
void DroppedFile(frmMain* window, const QString& path) {
    QMetaObject::invokeMethod(
        window,
        [window = QPointer<frmMain>(window), path] {
            if (!window)
                return;
            window->raise();
            window->activateWindow();
            Execute(Command::Open, path);
        },
        Qt::QueuedConnection);
}

// WindowProc: handles dropped files and never consumes an event, so the
// window's own handling still follows.
bool WindowProc(frmMain& window, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::DragEnter || type == QEvent::DragMove) {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (!FirstLocalFile(drag->mimeData()).isEmpty())
            drag->acceptProposedAction();
    } else if (type == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString path = FirstLocalFile(drop->mimeData());
        if (!path.isEmpty()) {
            drop->acceptProposedAction();
            DroppedFile(&window, path);
        }
    }
    return false;
}

bool WindowHook::eventFilter(QObject* watched, QEvent* event) {
    // While the window is being destroyed it is no longer a frmMain, the cast
    // fails and its last events are left alone.
    auto* window = qobject_cast<frmMain*>(watched);
    if (window && window == HookedHwnd)
        return WindowProc(*window, event);
    return false;
}

} // namespace

void HookWindow(frmMain* window) {
    if (Hook)
        UnhookWindow();
    if (!window)
        return;
    HookedHwnd = window;
    Hook = new WindowHook(window);
    window->installEventFilter(Hook);
}

void UnhookWindow() {
    if (!Hook)
        return;
    delete Hook.data();
    HookedHwnd = nullptr;
}

bool IsWindowHooked() {
    return !Hook.isNull();
}

} // namespace modMain
