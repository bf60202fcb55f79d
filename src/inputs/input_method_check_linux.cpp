// The input methods of a Linux desktop own names on the session bus while they
// run. Only the bus is asked who owns them: asking a name itself would start
// an input method the user does not run. fcitx 5 also answers under fcitx 4's
// and IBus's names, so it is looked for first.
#include "inputs/input_method_check.h"

#include "core/hotkeys/input_method.h"
#include "core/log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace inputs {

namespace {

using modMain::InputMethod;

constexpr int BusTimeoutMs = 5000;
// fcitx's configuration is a few kilobytes; more is not its file.
constexpr qint64 MaxConfigBytes = 1 << 20;

// fcitx 4 names itself after the X display's number.
QString Fcitx4BusName() {
    static const QRegularExpression number(QStringLiteral(":(\\d+)"));
    const QRegularExpressionMatch match = number.match(qEnvironmentVariable("DISPLAY"));
    return QStringLiteral("org.fcitx.Fcitx-") +
           (match.hasMatch() ? match.captured(1) : QStringLiteral("0"));
}

// The user's file, or the system's where the user has none, as fcitx reads it.
QByteArray ConfigFile(const QString& relativePath) {
    const QString path =
        QStandardPaths::locate(QStandardPaths::GenericConfigLocation, relativePath);
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcHotkeys).noquote() << "cannot read" << path << file.errorString();
        return {};
    }
    return file.read(MaxConfigBytes);
}

class InputMethodCheck : public QObject {
  public:
    explicit InputMethodCheck(QObject* owner) : QObject(owner) {}

    void start() {
        if (!QDBusConnection::sessionBus().isConnected()) {
            finish(std::nullopt);
            return;
        }
        ask(Fcitx5);
    }

  private:
    enum Candidate { Fcitx5, Fcitx4, Ibus, None };

    static QString busName(Candidate candidate) {
        switch (candidate) {
        case Fcitx5:
            return QStringLiteral("org.fcitx.Fcitx5");
        case Fcitx4:
            return Fcitx4BusName();
        case Ibus:
        case None:
            break;
        }
        return QStringLiteral("org.freedesktop.IBus");
    }

    void ask(Candidate candidate) {
        if (candidate == None) {
            finish(std::nullopt);
            return;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
        call << busName(candidate);
        auto* watcher = new QDBusPendingCallWatcher(
            QDBusConnection::sessionBus().asyncCall(call, BusTimeoutMs), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, candidate](QDBusPendingCallWatcher* answer) {
                    answer->deleteLater();
                    const QDBusPendingReply<bool> reply = *answer;
                    if (reply.isError())
                        qCWarning(lcHotkeys).noquote()
                            << "the session bus did not answer:" << reply.error().message();
                    if (reply.isValid() && reply.value())
                        found(candidate);
                    else
                        ask(Candidate(candidate + 1));
                });
    }

    void found(Candidate candidate) {
        switch (candidate) {
        case Fcitx5:
            finish(InputMethod{QStringLiteral("fcitx5"), modMain::Fcitx5TriggerKeys(ConfigFile(
                                                             QStringLiteral("fcitx5/config")))});
            return;
        case Fcitx4:
            finish(InputMethod{QStringLiteral("fcitx"), modMain::Fcitx4TriggerKeys(ConfigFile(
                                                            QStringLiteral("fcitx/config")))});
            return;
        case Ibus:
            readIbusTriggers();
            return;
        case None:
            break;
        }
        finish(std::nullopt);
    }

    // IBus keeps its keys in GSettings; without gsettings its default holds.
    void readIbusTriggers() {
        auto* gsettings = new QProcess(this);
        connect(gsettings, &QProcess::finished, this, [this, gsettings](int code) {
            const QString out = code == 0 && gsettings->exitStatus() == QProcess::NormalExit
                                    ? QString::fromUtf8(gsettings->readAllStandardOutput())
                                    : QString();
            finish(InputMethod{QStringLiteral("IBus"), modMain::IbusTriggerKeys(out)});
        });
        connect(gsettings, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                finish(InputMethod{QStringLiteral("IBus"), modMain::IbusTriggerKeys({})});
        });
        gsettings->start(QStringLiteral("gsettings"),
                         {QStringLiteral("get"),
                          QStringLiteral("org.freedesktop.ibus.general.hotkey"),
                          QStringLiteral("triggers")});
    }

    void finish(const std::optional<InputMethod>& method) {
        deleteLater();
        modMain::SetRunningInputMethod(method);
    }
};

} // namespace

void StartInputMethodCheck(QObject* owner) {
    (new InputMethodCheck(owner))->start();
}

} // namespace inputs
