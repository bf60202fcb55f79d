#include "inputs/portal_shortcuts.h"

#include "core/app_paths.h"
#include "core/log.h"
#include "inputs/portal_types.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

using modMain::WantedShortcut;

namespace inputs {

namespace {

const QString Service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString DesktopPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString ShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString RequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString SessionInterface = QStringLiteral("org.freedesktop.portal.Session");
const QString RegistryInterface = QStringLiteral("org.freedesktop.host.portal.Registry");

QString PathOf(const QVariant& value) {
    if (value.canConvert<QDBusObjectPath>() && value.userType() == qMetaTypeId<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

QVariantMap ResultsOf(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    return arguments.size() < 2 ? QVariantMap() : qdbus_cast<QVariantMap>(arguments.at(1));
}

QMap<QString, QString> TriggersOf(const PortalShortcutList& shortcuts) {
    QMap<QString, QString> triggers;
    for (const PortalShortcut& shortcut : shortcuts)
        triggers.insert(
            shortcut.id,
            shortcut.properties.value(QStringLiteral("trigger_description")).toString());
    return triggers;
}

} // namespace

PortalShortcuts::PortalShortcuts(const QDBusConnection& connection, const QString& appId)
    : bus_(connection), appId_(appId),
      watcher_(Service, connection, QDBusServiceWatcher::WatchForOwnerChange) {
    RegisterPortalTypes();
    answerTimer_.setSingleShot(true);
    connect(&answerTimer_, &QTimer::timeout, this, &PortalShortcuts::timedOut);
    connect(&watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString& oldOwner, const QString& newOwner) {
                if (!oldOwner.isEmpty())
                    portalGone();
                if (!newOwner.isEmpty())
                    portalBack();
            });
    for (const auto& [name, slot] :
         {std::pair{"Activated", SLOT(onActivated(QDBusMessage))},
          std::pair{"Deactivated", SLOT(onDeactivated(QDBusMessage))},
          std::pair{"ShortcutsChanged", SLOT(onShortcutsChanged(QDBusMessage))}})
        if (!bus_.connect(Service, DesktopPath, ShortcutsInterface, QLatin1String(name), this,
                          slot))
            qCWarning(lcHotkeys) << "cannot hear the portal's" << name
                                 << bus_.lastError().message();
}

PortalShortcuts::~PortalShortcuts() {
    closeSession();
}

void PortalShortcuts::bind(const QList<WantedShortcut>& shortcuts) {
    shortcuts_ = shortcuts;
    wanted_ = true;
    if (step_ != Step::Idle) {
        replaced_ = true;
        return;
    }
    start();
}

bool PortalShortcuts::canConfigure() const {
    return version_ >= 2 && !session_.isEmpty();
}

void PortalShortcuts::configure() {
    if (!canConfigure())
        return;
    QDBusMessage call = portalCall(ShortcutsInterface, QStringLiteral("ConfigureShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(session_)) << parentWindow() << QVariantMap();
    send(call, nullptr, [](const QDBusMessage& error) {
        qCWarning(lcHotkeys).noquote()
            << "the portal did not open its shortcut settings:" << error.errorMessage();
    });
}

void PortalShortcuts::setAnswerTimeouts(int sessionMs, int bindMs) {
    sessionTimeoutMs_ = sessionMs;
    bindTimeoutMs_ = bindMs;
}

void PortalShortcuts::start() {
    replaced_ = false;
    ++attempt_;
    if (shortcuts_.isEmpty()) {
        // Nothing to bind: no session at all.
        closeSession();
        setTriggers({});
        step_ = Step::Binding;
        QTimer::singleShot(0, this, [this, attempt = attempt_] {
            if (attempt == attempt_)
                finish(Outcome::Bound);
        });
    } else if (!registered_) {
        registerApp();
    } else if (version_ == 0) {
        readVersion();
    } else {
        createSession();
    }
}

// Tells the portal which desktop file is ours; it must come before the
// connection's first portal call. Older portals have no registry and take
// the id from the systemd scope a desktop's launcher starts us in.
void PortalShortcuts::registerApp() {
    step_ = Step::Registering;
    registered_ = true;
    QDBusMessage call = portalCall(RegistryInterface, QStringLiteral("Register"));
    call << appId_ << QVariantMap();
    send(
        call, [this](const QDBusMessage&) { readVersion(); },
        [this](const QDBusMessage& error) {
            if (error.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")) {
                qCWarning(lcHotkeys) << "no desktop portal on the session bus";
                finish(Outcome::Unavailable);
                return;
            }
            qCDebug(lcHotkeys).noquote()
                << "the portal's host registry did not take the id:" << error.errorMessage();
            readVersion();
        });
}

void PortalShortcuts::readVersion() {
    step_ = Step::Version;
    QDBusMessage call = QDBusMessage::createMethodCall(
        Service, DesktopPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    call << ShortcutsInterface << QStringLiteral("version");
    send(
        call,
        [this](const QDBusMessage& reply) {
            const QList<QVariant> arguments = reply.arguments();
            version_ = arguments.isEmpty()
                           ? 0
                           : arguments.first().value<QDBusVariant>().variant().toUInt();
            if (version_ == 0) {
                finish(Outcome::Unavailable);
                return;
            }
            qCDebug(lcHotkeys) << "global shortcuts portal version" << version_;
            createSession();
        },
        [this](const QDBusMessage& error) {
            qCWarning(lcHotkeys).noquote()
                << "the desktop portal has no global shortcuts:" << error.errorMessage();
            finish(Outcome::Unavailable);
        });
}

// A new session for every bind: a session's shortcuts are bound once.
void PortalShortcuts::createSession() {
    closeSession();
    step_ = Step::CreatingSession;
    const QString token = nextToken(QStringLiteral("request"));
    QDBusMessage call = portalCall(ShortcutsInterface, QStringLiteral("CreateSession"));
    call << QVariantMap{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("session_handle_token"), nextToken("session")}};
    request(call, token, sessionTimeoutMs_);
}

void PortalShortcuts::sessionCreated(const QVariantMap& results) {
    session_ = PathOf(results.value(QStringLiteral("session_handle")));
    if (session_.isEmpty()) {
        qCWarning(lcHotkeys) << "the portal opened no session";
        finish(Outcome::Refused);
        return;
    }
    if (!bus_.connect(Service, session_, SessionInterface, QStringLiteral("Closed"), this,
                      SLOT(onSessionClosed(QDBusMessage))))
        qCWarning(lcHotkeys) << "cannot hear the session's end" << bus_.lastError().message();
    bindShortcuts();
}

void PortalShortcuts::bindShortcuts() {
    step_ = Step::Binding;
    PortalShortcutList list;
    for (const WantedShortcut& wanted : shortcuts_) {
        QVariantMap properties{{QStringLiteral("description"), wanted.description}};
        if (!wanted.preferredTrigger.isEmpty())
            properties.insert(QStringLiteral("preferred_trigger"), wanted.preferredTrigger);
        list.append({wanted.id, properties});
    }
    const QString token = nextToken(QStringLiteral("request"));
    QDBusMessage call = portalCall(ShortcutsInterface, QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(session_)) << QVariant::fromValue(list)
         << parentWindow() << QVariantMap{{QStringLiteral("handle_token"), token}};
    request(call, token, bindTimeoutMs_);
}

void PortalShortcuts::shortcutsBound(const QVariantMap& results) {
    bound_ = true;
    setTriggers(TriggersOf(ShortcutListOf(results.value(QStringLiteral("shortcuts")))));
    finish(Outcome::Bound);
}

void PortalShortcuts::finish(Outcome outcome) {
    step_ = Step::Idle;
    // The session of the previous set is closed by now: nothing is bound.
    if (!bound_)
        setTriggers({});
    if (replaced_) {
        start();
        return;
    }
    emit finished(outcome);
}

void PortalShortcuts::onResponse(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    const uint code = arguments.isEmpty() ? 2 : arguments.first().toUInt();
    if (message.path() == lateBind_) {
        // The user answered the desktop's dialog after we stopped waiting.
        unwatch(lateBind_);
        lateBind_.clear();
        qCWarning(lcHotkeys) << "late answer from the portal:" << code;
        if (code == 0) {
            bound_ = true;
            setTriggers(TriggersOf(ShortcutListOf(ResultsOf(message).value("shortcuts"))));
        }
        return;
    }
    if (message.path() != pendingRequest_ || pendingRequest_.isEmpty()) {
        qCDebug(lcHotkeys).noquote() << "answer to no request of ours:" << message.path();
        return;
    }
    unwatch(pendingRequest_);
    pendingRequest_.clear();
    answerTimer_.stop();
    if (code != 0) {
        // 1: the user cancelled, 2: the desktop ended it another way.
        qCWarning(lcHotkeys) << "the portal refused the shortcuts:" << code;
        finish(Outcome::Refused);
    } else if (step_ == Step::CreatingSession) {
        sessionCreated(ResultsOf(message));
    } else if (step_ == Step::Binding) {
        shortcutsBound(ResultsOf(message));
    }
}

void PortalShortcuts::timedOut() {
    qCWarning(lcHotkeys) << "the portal did not answer in time";
    if (step_ == Step::Binding) {
        lateBind_ = pendingRequest_;
    } else {
        unwatch(pendingRequest_);
    }
    pendingRequest_.clear();
    ++attempt_;
    finish(Outcome::Unavailable);
}

void PortalShortcuts::onActivated(const QDBusMessage& message) {
    if (ownSession(message))
        shortcutActivated(message.arguments().at(1).toString());
}

void PortalShortcuts::onDeactivated(const QDBusMessage& message) {
    if (ownSession(message))
        shortcutDeactivated(message.arguments().at(1).toString());
}

void PortalShortcuts::onShortcutsChanged(const QDBusMessage& message) {
    if (ownSession(message))
        setTriggers(TriggersOf(ShortcutListOf(message.arguments().at(1))));
}

void PortalShortcuts::onSessionClosed(const QDBusMessage& message) {
    if (message.path() != session_)
        return;
    qCWarning(lcHotkeys) << "the portal closed our session";
    bus_.disconnect(Service, session_, SessionInterface, QStringLiteral("Closed"), this,
                    SLOT(onSessionClosed(QDBusMessage)));
    session_.clear();
    const bool wasBound = bound_;
    bound_ = false;
    setTriggers({});
    if (wasBound)
        emit lost();
}

void PortalShortcuts::portalGone() {
    const bool wasBound = bound_;
    ++attempt_;
    answerTimer_.stop();
    unwatch(pendingRequest_);
    unwatch(lateBind_);
    pendingRequest_.clear();
    lateBind_.clear();
    if (!session_.isEmpty())
        bus_.disconnect(Service, session_, SessionInterface, QStringLiteral("Closed"), this,
                        SLOT(onSessionClosed(QDBusMessage)));
    session_.clear();
    registered_ = false;
    version_ = 0;
    bound_ = false;
    setTriggers({});
    if (step_ != Step::Idle) {
        replaced_ = false;
        finish(Outcome::Unavailable);
    } else if (wasBound) {
        emit lost();
    }
}

void PortalShortcuts::portalBack() {
    // A portal started by our own call answers that call.
    if (wanted_ && step_ == Step::Idle) {
        qCDebug(lcHotkeys) << "the portal is back: binding again";
        start();
    }
}

void PortalShortcuts::closeSession() {
    // A late answer belongs to the session that ends here.
    unwatch(lateBind_);
    lateBind_.clear();
    if (session_.isEmpty())
        return;
    bus_.disconnect(Service, session_, SessionInterface, QStringLiteral("Closed"), this,
                    SLOT(onSessionClosed(QDBusMessage)));
    QDBusMessage close = QDBusMessage::createMethodCall(Service, session_, SessionInterface,
                                                        QStringLiteral("Close"));
    close.setAutoStartService(false);
    if (!bus_.send(close))
        qCWarning(lcHotkeys) << "cannot close the portal session" << bus_.lastError().message();
    session_.clear();
    bound_ = false;
}

QDBusMessage PortalShortcuts::portalCall(const QString& interface, const QString& method) const {
    return QDBusMessage::createMethodCall(Service, DesktopPath, interface, method);
}

void PortalShortcuts::send(const QDBusMessage& call, std::function<void(const QDBusMessage&)> then,
                           std::function<void(const QDBusMessage&)> fail) {
    if (!bus_.isConnected()) {
        // A call on no bus never finishes: fail it as a lost bus would.
        QTimer::singleShot(0, this, [this, fail = std::move(fail), attempt = attempt_] {
            if (attempt == attempt_ && fail)
                fail(QDBusMessage::createError(QDBusError::Disconnected,
                                               QStringLiteral("no session bus")));
        });
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, sessionTimeoutMs_), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, then = std::move(then), fail = std::move(fail),
             attempt = attempt_](QDBusPendingCallWatcher*) {
                watcher->deleteLater();
                if (attempt != attempt_)
                    return; // the portal went away or the call was given up meanwhile
                const QDBusMessage reply = watcher->reply();
                if (reply.type() == QDBusMessage::ErrorMessage) {
                    if (fail)
                        fail(reply);
                } else if (then) {
                    then(reply);
                }
            });
}

void PortalShortcuts::request(QDBusMessage call, const QString& token, int timeoutMs) {
    // The Response may come before the call's reply: listen first, on the
    // path the token makes.
    pendingRequest_ = requestPath(token);
    watch(pendingRequest_);
    answerTimer_.start(timeoutMs);
    send(
        call,
        [this](const QDBusMessage& reply) {
            const QString handle =
                reply.arguments().isEmpty() ? QString() : PathOf(reply.arguments().first());
            if (handle.isEmpty() || handle == pendingRequest_ || pendingRequest_.isEmpty())
                return;
            // An older portal chose its own path.
            unwatch(pendingRequest_);
            pendingRequest_ = handle;
            watch(pendingRequest_);
        },
        [this](const QDBusMessage& error) {
            qCWarning(lcHotkeys).noquote() << "portal call failed:" << error.errorMessage();
            answerTimer_.stop();
            unwatch(pendingRequest_);
            pendingRequest_.clear();
            finish(Outcome::Unavailable);
        });
}

void PortalShortcuts::watch(const QString& requestPath) {
    if (!bus_.connect(Service, requestPath, RequestInterface, QStringLiteral("Response"), this,
                      SLOT(onResponse(QDBusMessage))))
        qCWarning(lcHotkeys) << "cannot hear the portal's answer" << bus_.lastError().message();
}

void PortalShortcuts::unwatch(const QString& requestPath) {
    if (!requestPath.isEmpty())
        bus_.disconnect(Service, requestPath, RequestInterface, QStringLiteral("Response"), this,
                        SLOT(onResponse(QDBusMessage)));
}

QString PortalShortcuts::requestPath(const QString& token) const {
    // ":1.42" becomes "1_42".
    QString sender = bus_.baseService().mid(1);
    sender.replace(u'.', u'_');
    return DesktopPath + QStringLiteral("/request/") + sender + u'/' + token;
}

QString PortalShortcuts::nextToken(const QString& kind) {
    return QStringLiteral("memotap_%1_%2").arg(kind).arg(++tokens_);
}

bool PortalShortcuts::ownSession(const QDBusMessage& message) const {
    const QList<QVariant> arguments = message.arguments();
    return arguments.size() >= 2 && !session_.isEmpty() && PathOf(arguments.first()) == session_;
}

std::unique_ptr<modMain::HotkeyBackend> makePortalHotkeyBackend() {
    // Without a session bus every bind fails, which the player reports.
    const QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                              QStringLiteral("memotap-portal"));
    if (!bus.isConnected())
        qCWarning(lcHotkeys) << "no session bus for the desktop portal";
    return std::make_unique<PortalShortcuts>(bus, modMain::AppId);
}

} // namespace inputs
