#include "core/hotkeys/gsettings_run.h"

#include "core/log.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>
#include <memory>
#include <utility>

namespace modMain {

namespace {

// A gsettings that hangs (a dconf service that does not answer) is given up.
constexpr int TimeoutMs = 10000;

} // namespace

void RunGsettings(const QStringList& arguments, std::function<void(std::optional<QString>)> done) {
    // Owned by the application, so one still running at exit ends with it.
    auto* process = new QProcess(QCoreApplication::instance());
    auto* timeout = new QTimer(process);
    timeout->setSingleShot(true);
    // finished and a failed start each end the run; whichever comes first answers.
    auto answer = std::make_shared<std::function<void(std::optional<QString>)>>(std::move(done));
    auto finish = [process, arguments, answer](const QString& failure) {
        // At exit the application ends the runs it owns: nobody waits for
        // their answers any more.
        if (!*answer || QCoreApplication::closingDown())
            return;
        const auto done = std::exchange(*answer, nullptr);
        std::optional<QString> output;
        if (failure.isEmpty())
            output = QString::fromUtf8(process->readAllStandardOutput()).trimmed();
        else
            qCWarning(lcHotkeys).noquote()
                << "gsettings" << arguments.join(u' ') << "failed:" << failure
                << QString::fromUtf8(process->readAllStandardError()).trimmed();
        process->disconnect();
        process->deleteLater();
        // Answered from the event loop, outside the process's own signal: a
        // caller may start the next run at once.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [done, output] { done(output); }, Qt::QueuedConnection);
    };
    QObject::connect(process, &QProcess::finished, process,
                     [process, finish](int code, QProcess::ExitStatus status) {
                         if (status != QProcess::NormalExit)
                             finish(process->errorString());
                         else if (code != 0)
                             finish(QStringLiteral("exit code %1").arg(code));
                         else
                             finish({});
                     });
    // A start that fails reports from inside start(): the answer waits for
    // the event loop, as every other answer does.
    QObject::connect(
        process, &QProcess::errorOccurred, process,
        [process, finish](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                finish(process->errorString());
        },
        Qt::QueuedConnection);
    QObject::connect(timeout, &QTimer::timeout, process, [process, finish] {
        process->kill();
        finish(QStringLiteral("no answer within %1 s").arg(TimeoutMs / 1000));
    });
    timeout->start(TimeoutMs);
    process->start(QStringLiteral("gsettings"), arguments);
}

} // namespace modMain
