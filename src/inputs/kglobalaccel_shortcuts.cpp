#include "inputs/kglobalaccel_shortcuts.h"

#include "core/app_paths.h"
#include "core/hotkeys/extra_keys.h"
#include "core/log.h"
#include "inputs/kde_keys.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>

using modMain::WantedShortcut;

namespace inputs {

namespace {

const QString Service = QStringLiteral("org.kde.kglobalaccel");
const QString DaemonPath = QStringLiteral("/kglobalaccel");
const QString DaemonInterface = QStringLiteral("org.kde.KGlobalAccel");
const QString ComponentInterface = QStringLiteral("org.kde.kglobalaccel.Component");

// setShortcutKeys' flags.
constexpr uint SetPresent = 2;    // the application runs and takes the key's presses
constexpr uint NoAutoloading = 4; // these keys, not the ones KDE kept
constexpr uint IsDefault = 8;     // the keys KDE's settings offer as the default

// Components KDE's portal made for our earlier portal sessions: named after
// the session's token, they may still hold the player's keys.
const QRegularExpression StaleComponent(QStringLiteral("^memotap_session_[0-9]+$"));

// The key in force, as the dialog shows it.
QString KeyTextOf(const QVariant& value) {
    return QtKeyText(FirstKdeKey(KdeKeysOf(value)));
}

bool DaemonMissing(const QDBusMessage& error) {
    return error.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
           error.errorName() == QLatin1String("org.freedesktop.DBus.Error.Disconnected");
}

// KDE's shortcut settings: Plasma 6's and Plasma 5's programs.
QStringList SettingsCommand() {
    for (const char* program : {"systemsettings", "systemsettings5", "kcmshell6", "kcmshell5"}) {
        const QString path = QStandardPaths::findExecutable(QLatin1String(program));
        if (!path.isEmpty())
            return {path, QStringLiteral("kcm_keys")};
    }
    return {};
}

} // namespace

KGlobalAccelShortcuts::KGlobalAccelShortcuts(const QDBusConnection& connection,
                                             const QString& component, const QString& friendlyName)
    : bus_(connection), component_(component), friendlyName_(friendlyName),
      watcher_(Service, connection, QDBusServiceWatcher::WatchForOwnerChange) {
    RegisterKdeKeyTypes();
    qDBusRegisterMetaType<QList<QStringList>>();
    answerTimer_.setSingleShot(true);
    connect(&answerTimer_, &QTimer::timeout, this, [this] {
        qCWarning(lcHotkeys) << "kglobalaccel did not answer in time";
        ++attempt_;
        finish(Outcome::Unavailable);
    });
    connect(&watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString& oldOwner, const QString& newOwner) {
                if (!oldOwner.isEmpty())
                    daemonGone();
                if (!newOwner.isEmpty())
                    daemonBack();
            });
    // Each component has an object of its own; the arguments say whose.
    const bool heard =
        bus_.connect(Service, QString(), ComponentInterface,
                     QStringLiteral("globalShortcutPressed"), this,
                     SLOT(onPressed(QString, QString, qlonglong))) &&
        bus_.connect(Service, QString(), ComponentInterface,
                     QStringLiteral("globalShortcutReleased"), this,
                     SLOT(onReleased(QString, QString, qlonglong))) &&
        bus_.connect(Service, DaemonPath, DaemonInterface, QStringLiteral("yourShortcutsChanged"),
                     this, SLOT(onShortcutsChanged(QDBusMessage)));
    if (!heard && bus_.isConnected())
        qCWarning(lcHotkeys) << "cannot hear kglobalaccel" << bus_.lastError().message();
}

KGlobalAccelShortcuts::~KGlobalAccelShortcuts() {
    // KDE keeps the keys for the next start; they only stop reaching us.
    if (!bound_ || !bus_.isConnected())
        return;
    for (const WantedShortcut& wanted : shortcuts_) {
        QDBusMessage call = daemonCall(QStringLiteral("setInactive"));
        call << actionId(wanted.id, wanted.description);
        call.setAutoStartService(false);
        bus_.send(call);
    }
}

void KGlobalAccelShortcuts::bind(const QList<WantedShortcut>& shortcuts) {
    QList<WantedShortcut> next = shortcuts;
    if (busy_) {
        // A key the dialog changed in the replaced set still overrides KDE's.
        for (WantedShortcut& wanted : next)
            for (const WantedShortcut& before : std::as_const(shortcuts_))
                if (before.id == wanted.id && before.changed &&
                    before.modifiers == wanted.modifiers && before.virtualKey == wanted.virtualKey)
                    wanted.changed = true;
    }
    shortcuts_ = next;
    wanted_ = true;
    if (busy_) {
        replaced_ = true;
        return;
    }
    start();
}

bool KGlobalAccelShortcuts::canConfigure() const {
    return !SettingsCommand().isEmpty();
}

void KGlobalAccelShortcuts::configure() {
    const QStringList command = SettingsCommand();
    if (!command.isEmpty() && !QProcess::startDetached(command.first(), command.mid(1)))
        qCWarning(lcHotkeys) << "cannot open KDE's shortcut settings";
}

void KGlobalAccelShortcuts::start() {
    replaced_ = false;
    ++attempt_;
    busy_ = true;
    answers_.clear();
    answerTimer_.start(AnswerTimeoutMs);
    if (cleaned_) {
        registerSet();
        return;
    }
    send(
        daemonCall(QStringLiteral("allMainComponents")),
        [this](const QDBusMessage& reply) { removeStaleComponents(reply); },
        [this](const QDBusMessage& error) {
            qCWarning(lcHotkeys).noquote()
                << "kglobalaccel does not answer:" << error.errorMessage();
            finish(Outcome::Unavailable);
        });
}

// Calls to one daemon are answered in the order they were sent, so the set
// is registered after every old key is given back.
void KGlobalAccelShortcuts::removeStaleComponents(const QDBusMessage& reply) {
    cleaned_ = true;
    const QList<QStringList> components =
        reply.arguments().isEmpty() ? QList<QStringList>()
                                    : qdbus_cast<QList<QStringList>>(reply.arguments().first());
    pending_ = 0;
    for (const QStringList& component : components) {
        if (component.isEmpty() || !StaleComponent.match(component.first()).hasMatch())
            continue;
        ++pending_;
        QDBusMessage actions = daemonCall(QStringLiteral("allActionsForComponent"));
        actions << QStringList{component.first()};
        send(
            actions,
            [this](const QDBusMessage& answer) {
                const QList<QStringList> ids =
                    answer.arguments().isEmpty()
                        ? QList<QStringList>()
                        : qdbus_cast<QList<QStringList>>(answer.arguments().first());
                for (const QStringList& id : ids) {
                    if (id.size() < 2)
                        continue;
                    qCWarning(lcHotkeys).noquote()
                        << "removing" << id.at(1) << "of an old portal session," << id.at(0);
                    QDBusMessage remove = daemonCall(QStringLiteral("unregister"));
                    remove << id.at(0) << id.at(1);
                    send(remove, nullptr, nullptr);
                }
                if (--pending_ == 0)
                    registerSet();
            },
            [this](const QDBusMessage&) {
                if (--pending_ == 0)
                    registerSet();
            });
    }
    if (pending_ == 0)
        registerSet();
}

void KGlobalAccelShortcuts::registerSet() {
    // Commands no longer wanted give their keys back.
    for (int line = 0; line < modMain::DialogLineCount; ++line) {
        const std::optional<QString> id = modMain::ShortcutIdOf(modMain::RecordOfLine(line));
        if (!id || std::any_of(shortcuts_.begin(), shortcuts_.end(),
                               [&](const WantedShortcut& w) { return w.id == *id; }))
            continue;
        QDBusMessage remove = daemonCall(QStringLiteral("unregister"));
        remove << component_ << *id;
        send(remove, nullptr, nullptr);
    }
    pending_ = int(shortcuts_.size());
    if (pending_ == 0) {
        ++pending_;
        QTimer::singleShot(0, this, [this, attempt = attempt_] {
            if (attempt == attempt_)
                answerOne();
        });
        return;
    }
    for (const WantedShortcut& wanted : shortcuts_) {
        const QStringList id = actionId(wanted.id, wanted.description);
        const int key = QtKeyOf(wanted.modifiers, wanted.virtualKey);
        KdeKeySequences keys;
        if (key != 0)
            keys.append(KdeKeySequence{QList<int>{key}});
        QDBusMessage doRegister = daemonCall(QStringLiteral("doRegister"));
        doRegister << id;
        send(doRegister, nullptr, nullptr);
        QDBusMessage defaults = daemonCall(QStringLiteral("setShortcutKeys"));
        defaults << id << QVariant::fromValue(keys) << IsDefault;
        send(defaults, nullptr, nullptr);
        // KDE answers with the keys in force: the user's from KDE's settings
        // unless the dialog just changed this one, none when the key is taken.
        QDBusMessage set = daemonCall(QStringLiteral("setShortcutKeys"));
        set << id << QVariant::fromValue(keys)
            << (SetPresent | (wanted.changed ? NoAutoloading : 0));
        send(
            set, [this, name = wanted.id](const QDBusMessage& reply) { keysSet(name, reply); },
            [this, name = wanted.id](const QDBusMessage& error) {
                qCWarning(lcHotkeys).noquote()
                    << "kglobalaccel did not take" << name << error.errorMessage();
                answerOne();
            });
    }
}

void KGlobalAccelShortcuts::keysSet(const QString& id, const QDBusMessage& reply) {
    const QString text =
        reply.arguments().isEmpty() ? QString() : KeyTextOf(reply.arguments().first());
    if (text.isEmpty())
        qCWarning(lcHotkeys).noquote() << "KDE gave" << id << "no key";
    else
        answers_.insert(id, text);
    answerOne();
}

void KGlobalAccelShortcuts::answerOne() {
    if (--pending_ > 0)
        return;
    bound_ = true;
    setTriggers(answers_);
    finish(Outcome::Bound);
}

void KGlobalAccelShortcuts::finish(Outcome outcome) {
    busy_ = false;
    answerTimer_.stop();
    if (outcome != Outcome::Bound) {
        bound_ = false;
        setTriggers({});
    }
    if (replaced_) {
        start();
        return;
    }
    emit finished(outcome);
}

void KGlobalAccelShortcuts::onPressed(const QString& component, const QString& action, qlonglong) {
    if (component == component_ && bound_)
        shortcutActivated(action);
}

void KGlobalAccelShortcuts::onReleased(const QString& component, const QString& action, qlonglong) {
    if (component == component_ && bound_)
        shortcutDeactivated(action);
}

// The user gave a command another key in KDE's settings: KDE keeps it, the
// dialog shows it, and the key file keeps the record as it was.
void KGlobalAccelShortcuts::onShortcutsChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2)
        return;
    const QStringList id = arguments.at(0).toStringList();
    if (id.size() < 2 || id.at(0) != component_ || !bound_)
        return;
    QMap<QString, QString> triggers = this->triggers();
    const QString text = KeyTextOf(arguments.at(1));
    qCDebug(lcHotkeys).noquote() << "KDE's key for" << id.at(1) << "is now" << text;
    if (text.isEmpty())
        triggers.remove(id.at(1));
    else
        triggers.insert(id.at(1), text);
    setTriggers(triggers);
}

void KGlobalAccelShortcuts::daemonGone() {
    const bool wasBound = bound_;
    ++attempt_;
    bound_ = false;
    cleaned_ = false;
    setTriggers({});
    if (busy_) {
        replaced_ = false;
        finish(Outcome::Unavailable);
    } else if (wasBound) {
        emit lost();
    }
}

void KGlobalAccelShortcuts::daemonBack() {
    // A daemon started by our own call answers that call.
    if (wanted_ && !busy_) {
        qCDebug(lcHotkeys) << "kglobalaccel is back: registering again";
        start();
    }
}

QStringList KGlobalAccelShortcuts::actionId(const QString& id, const QString& description) const {
    return {component_, id, friendlyName_, description};
}

QDBusMessage KGlobalAccelShortcuts::daemonCall(const QString& method) const {
    return QDBusMessage::createMethodCall(Service, DaemonPath, DaemonInterface, method);
}

void KGlobalAccelShortcuts::send(const QDBusMessage& call,
                                 std::function<void(const QDBusMessage&)> then,
                                 std::function<void(const QDBusMessage&)> fail) {
    if (!bus_.isConnected()) {
        // A call on no bus never finishes: fail the bind as a lost bus would.
        QTimer::singleShot(0, this, [this, attempt = attempt_] {
            if (attempt != attempt_)
                return;
            qCWarning(lcHotkeys) << "no session bus for kglobalaccel";
            ++attempt_;
            finish(Outcome::Unavailable);
        });
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, AnswerTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, then = std::move(then), fail = std::move(fail),
             attempt = attempt_](QDBusPendingCallWatcher*) {
                watcher->deleteLater();
                if (attempt != attempt_)
                    return;
                const QDBusMessage reply = watcher->reply();
                if (reply.type() != QDBusMessage::ErrorMessage) {
                    if (then)
                        then(reply);
                } else if (DaemonMissing(reply)) {
                    qCWarning(lcHotkeys).noquote()
                        << "no kglobalaccel on the session bus:" << reply.errorMessage();
                    ++attempt_;
                    finish(Outcome::Unavailable);
                } else if (fail) {
                    fail(reply);
                } else {
                    qCDebug(lcHotkeys).noquote() << "kglobalaccel:" << reply.errorMessage();
                }
            });
}

std::unique_ptr<modMain::HotkeyBackend> makeKGlobalAccelHotkeyBackend() {
    // Without a session bus every bind fails, which the player reports.
    const QDBusConnection bus = QDBusConnection::connectToBus(
        QDBusConnection::SessionBus, QStringLiteral("memotap-kglobalaccel"));
    if (!bus.isConnected())
        qCWarning(lcHotkeys) << "no session bus for kglobalaccel";
    return std::make_unique<KGlobalAccelShortcuts>(bus, modMain::AppId, modMain::AppTitle);
}

} // namespace inputs
