#include "core/save_failure.h"

#include "core/log.h"
#include "core/messagebox.h"

#include <QCoreApplication>
#include <QThread>

namespace modMain {

namespace {

bool shown = false;

void Show(const QString& path, const QString& reason) {
    if (shown)
        return;
    shown = true;
    ShowMessage(QStringLiteral("設定を保存できませんでした。") + QStringLiteral("\r\n\r\n") + path +
                    QStringLiteral("\r\n") + reason,
                QStringLiteral("エラー"), MessageIcon::Warning, MessageButtons::Ok);
}

} // namespace

void ReportSaveFailure(const QString& path, const QString& reason) {
    qCWarning(lcSettings).noquote() << "cannot write" << path << ":" << reason;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        Show(path, reason);
        return;
    }
    // Boxes belong to the window thread.
    QMetaObject::invokeMethod(
        app, [path, reason] { Show(path, reason); }, Qt::QueuedConnection);
}

void ResetSaveFailuresForTesting() {
    shown = false;
}

} // namespace modMain
