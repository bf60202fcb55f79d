#include "support/fake_portal.h"

#include "core/app_paths.h"
#include "core/extra_settings.h"
#include "core/hotkeys/desktop_hotkeys.h"
#include "core/hotkeys/hotkey_backend.h"
#include "core/hotkeys/keyfile.h"
#include "core/settings.h"

#include <QDBusAbstractAdaptor>
#include <QDBusError>
#include <QTimer>

namespace {

const QString Service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString DesktopPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString ShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// ":1.42" as an object path element.
QString SenderElement(const QDBusMessage& message) {
    QString sender = message.service().mid(1);
    return sender.replace(u'.', u'_');
}

int connections = 0;

} // namespace

class FakeShortcutsAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)

  public:
    explicit FakeShortcutsAdaptor(FakePortal* portal) : QDBusAbstractAdaptor(portal), p_(portal) {}
    uint version() const { return p_->version(); }

  public slots:
    QDBusObjectPath CreateSession(const QVariantMap& options, const QDBusMessage& message) {
        return p_->createSession(options, message);
    }
    QDBusObjectPath BindShortcuts(const QDBusObjectPath& session,
                                  const QList<inputs::PortalShortcut>& shortcuts,
                                  const QString& parentWindow, const QVariantMap& options,
                                  const QDBusMessage& message) {
        return p_->bindShortcuts(session, shortcuts, parentWindow, options, message);
    }
    void ConfigureShortcuts(const QDBusObjectPath& session, const QString& parentWindow,
                            const QVariantMap&) {
        p_->configure(session, parentWindow);
    }

  private:
    FakePortal* p_;
};

class FakeRegistryAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.host.portal.Registry")

  public:
    explicit FakeRegistryAdaptor(FakePortal* portal) : QDBusAbstractAdaptor(portal), p_(portal) {}

  public slots:
    void Register(const QString& appId, const QVariantMap&, const QDBusMessage& message) {
        p_->registerApp(appId, message);
    }

  private:
    FakePortal* p_;
};

FakePortal::FakePortal(const QString& busAddress, uint version)
    : name_(QStringLiteral("fake-portal-%1").arg(++connections)),
      bus_(QDBusConnection::connectToBus(busAddress, name_)), version_(version) {
    inputs::RegisterPortalTypes();
    if (version_ > 0)
        new FakeShortcutsAdaptor(this);
    new FakeRegistryAdaptor(this);
    bus_.registerObject(DesktopPath, this, QDBusConnection::ExportAdaptors);
    appear();
}

FakePortal::~FakePortal() {
    bus_.unregisterObject(DesktopPath);
    QDBusConnection::disconnectFromBus(name_);
}

bool FakePortal::appear() {
    return bus_.registerService(Service);
}

void FakePortal::vanish() {
    bus_.unregisterService(Service);
    session_.clear();
    lateRequest_.clear();
    callers_.clear();
}

QDBusObjectPath FakePortal::createSession(const QVariantMap& options, const QDBusMessage& message) {
    calls << QStringLiteral("CreateSession");
    callers_ << message.service();
    const QString sender = SenderElement(message);
    const QString request = DesktopPath + QStringLiteral("/request/") + sender + u'/' +
                            options.value(QStringLiteral("handle_token")).toString();
    const QString session = DesktopPath + QStringLiteral("/session/") + sender + u'/' +
                            options.value(QStringLiteral("session_handle_token")).toString();
    QTimer::singleShot(0, this, [this, request, session] {
        respond(request, 0, {{QStringLiteral("session_handle"), session}});
    });
    return QDBusObjectPath(request);
}

QDBusObjectPath FakePortal::bindShortcuts(const QDBusObjectPath& session,
                                          const inputs::PortalShortcutList& shortcuts,
                                          const QString& parentWindow, const QVariantMap& options,
                                          const QDBusMessage& message) {
    calls << QStringLiteral("BindShortcuts");
    session_ = session.path();
    lastBound = shortcuts;
    lastParentWindow = parentWindow;
    const QString request = DesktopPath + QStringLiteral("/request/") + SenderElement(message) +
                            u'/' + options.value(QStringLiteral("handle_token")).toString();
    QMap<QString, QString> triggers;
    for (const inputs::PortalShortcut& shortcut : shortcuts)
        if (!answersEmpty && !unboundIds.contains(shortcut.id))
            triggers.insert(
                shortcut.id,
                chosenTriggers.value(
                    shortcut.id,
                    shortcut.properties.value(QStringLiteral("preferred_trigger")).toString()));
    const QVariantMap results{{QStringLiteral("shortcuts"), triggerList(triggers)}};
    switch (bindAnswer) {
    case Answer::Accept:
        QTimer::singleShot(0, this, [this, request, results] { respond(request, 0, results); });
        break;
    case Answer::Refuse:
        QTimer::singleShot(0, this, [this, request] { respond(request, 1, {}); });
        break;
    case Answer::Late:
        lateRequest_ = request;
        lateResults_ = results;
        break;
    case Answer::Never:
        break;
    }
    return QDBusObjectPath(request);
}

void FakePortal::registerApp(const QString& appId, const QDBusMessage& message) {
    calls << QStringLiteral("Register");
    // As the real registry: only before the connection's first portal call.
    if (callers_.contains(message.service())) {
        message.setDelayedReply(true);
        bus_.send(message.createErrorReply(QDBusError::AccessDenied, "registered too late"));
        return;
    }
    registeredIds << appId;
}

void FakePortal::configure(const QDBusObjectPath& session, const QString& parentWindow) {
    calls << QStringLiteral("ConfigureShortcuts");
    lastParentWindow = parentWindow;
    if (session.path() == session_)
        ++configureCalls;
}

bool FakePortal::answerLate(uint code) {
    if (lateRequest_.isEmpty())
        return false;
    respond(lateRequest_, code, code == 0 ? lateResults_ : QVariantMap());
    lateRequest_.clear();
    return true;
}

void FakePortal::activate(const QString& id) {
    emitSignal(QStringLiteral("Activated"), {QVariant::fromValue(QDBusObjectPath(session_)), id,
                                             QVariant::fromValue(quint64(0)), QVariantMap()});
}

void FakePortal::deactivate(const QString& id) {
    emitSignal(QStringLiteral("Deactivated"), {QVariant::fromValue(QDBusObjectPath(session_)), id,
                                               QVariant::fromValue(quint64(0)), QVariantMap()});
}

void FakePortal::changeTriggers(const QMap<QString, QString>& triggers) {
    emitSignal(QStringLiteral("ShortcutsChanged"),
               {QVariant::fromValue(QDBusObjectPath(session_)), triggerList(triggers)});
}

void FakePortal::respond(const QString& requestPath, uint code, const QVariantMap& results) {
    QDBusMessage response = QDBusMessage::createSignal(
        requestPath, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
    response << code << results;
    bus_.send(response);
}

void FakePortal::emitSignal(const QString& name, const QVariantList& arguments) {
    QDBusMessage signal = QDBusMessage::createSignal(DesktopPath, ShortcutsInterface, name);
    signal.setArguments(arguments);
    bus_.send(signal);
}

QVariant FakePortal::triggerList(const QMap<QString, QString>& triggers) const {
    inputs::PortalShortcutList list;
    for (auto it = triggers.begin(); it != triggers.end(); ++it)
        list.append({it.key(),
                     {{QStringLiteral("description"), it.key()},
                      {QStringLiteral("trigger_description"), it.value()}}});
    return QVariant::fromValue(list);
}

#include "fake_portal.moc"

void BeginPortalTest(const QString& folder) {
    using namespace modMain;
    SetAppPathForTesting(folder);
    ResetExtraSettingsForTesting();
    ResetDesktopHotkeysForTesting();
    qunsetenv("XDG_CURRENT_DESKTOP");
    InstallDefaultHotKeys();
    Hozon();
    HotKeys = {};
}

void EndPortalTest(const QString& connectionName) {
    using namespace modMain;
    ResetDesktopHotkeysForTesting();
    setHotkeyBackend(nullptr);
    QDBusConnection::disconnectFromBus(connectionName);
    SetAppPathForTesting({});
}
