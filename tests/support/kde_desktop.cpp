#include "support/kde_desktop.h"

#include "support/wait.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// One key sequence as the daemon takes it, (ai).
struct Sequence {
    QList<int> keys;
};

} // namespace

Q_DECLARE_METATYPE(Sequence)

namespace {

QDBusArgument& operator<<(QDBusArgument& argument, const Sequence& sequence) {
    QList<int> keys = sequence.keys;
    keys.resize(4, 0);
    argument.beginStructure();
    argument << keys;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, Sequence& sequence) {
    argument.beginStructure();
    argument >> sequence.keys;
    argument.endStructure();
    return argument;
}

QVariant SequencesOf(const QList<int>& keys) {
    QList<Sequence> list;
    for (int key : keys)
        list.append(Sequence{{key}});
    return QVariant::fromValue(list);
}

QList<int> KeysOf(const QDBusMessage& reply) {
    QList<int> keys;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return keys;
    for (const Sequence& s : qdbus_cast<QList<Sequence>>(reply.arguments().first()))
        if (!s.keys.isEmpty() && s.keys.first() != 0)
            keys.append(s.keys.first());
    return keys;
}

int connections = 0;

// A program of /usr/libexec or of the architecture's libexec folder.
QString Libexec(const QString& name) {
    QStringList candidates{"/usr/libexec/" + name};
    for (const QFileInfo& dir : QDir("/usr/lib").entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
        candidates << dir.filePath() + "/libexec/" + name;
    for (const QString& path : candidates)
        if (QFileInfo(path).isExecutable())
            return path;
    return name;
}

void Stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

} // namespace

KdeDesktop::KdeDesktop(const QString& display, const QString& busAddress)
    : display_(display), address_(busAddress),
      connectionName_(QStringLiteral("kde-desktop-%1").arg(++connections)) {
    qDBusRegisterMetaType<Sequence>();
    qDBusRegisterMetaType<QList<Sequence>>();
    qDBusRegisterMetaType<QList<QStringList>>();
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("DISPLAY", display);
    env_.insert("DBUS_SESSION_BUS_ADDRESS", busAddress);
    env_.insert("XDG_CURRENT_DESKTOP", "KDE");
    // kglobalshortcutsrc and the portal's files stay in the test's folder.
    env_.insert("XDG_CONFIG_HOME", config_.filePath("config"));
    env_.insert("XDG_DATA_HOME", config_.filePath("data"));
    env_.insert("XDG_CACHE_HOME", config_.filePath("cache"));
    env_.insert("XDG_RUNTIME_DIR", config_.path());
    env_.insert("QT_QPA_PLATFORM", "xcb");
    env_.remove("WAYLAND_DISPLAY");
    daemon_.setProcessEnvironment(env_);
    daemon_.setProcessChannelMode(QProcess::MergedChannels);
}

KdeDesktop::~KdeDesktop() {
    for (auto it = portal_.rbegin(); it != portal_.rend(); ++it)
        Stop(**it);
    Stop(daemon_);
    QDBusConnection::disconnectFromBus(connectionName_);
}

bool KdeDesktop::startDaemon() {
    daemon_.start("kglobalaccel5", {});
    return daemon_.waitForStarted(5000) && waitForName("org.kde.kglobalaccel", true);
}

void KdeDesktop::stopDaemon() {
    Stop(daemon_);
    waitForName("org.kde.kglobalaccel", false);
}

QProcess& KdeDesktop::launch(const QString& program) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(env_);
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->start(program, {});
    portal_.push_back(std::move(process));
    return *portal_.back();
}

bool KdeDesktop::startPortal() {
    return launch(Libexec("xdg-desktop-portal-kde")).waitForStarted(5000) &&
           waitForName("org.freedesktop.impl.portal.desktop.kde", true) &&
           launch(Libexec("xdg-desktop-portal")).waitForStarted(5000) &&
           waitForName("org.freedesktop.portal.Desktop", true);
}

bool KdeDesktop::waitForName(const QString& name, bool present) {
    QDBusConnection bus = QDBusConnection::connectToBus(address_, connectionName_);
    return WaitUntil(
        [&] {
            QDBusMessage ask =
                QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                               "org.freedesktop.DBus", "NameHasOwner");
            ask << name;
            const QDBusMessage reply = bus.call(ask, QDBus::Block, 2000);
            return !reply.arguments().isEmpty() && reply.arguments().first().toBool() == present;
        },
        15000);
}

QDBusMessage KdeDesktop::call(const QString& method, const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall("org.kde.kglobalaccel", "/kglobalaccel",
                                                          "org.kde.KGlobalAccel", method);
    message.setArguments(arguments);
    message.setAutoStartService(false);
    return QDBusConnection::connectToBus(address_, connectionName_)
        .call(message, QDBus::Block, 5000);
}

QList<int> KdeDesktop::keys(const QString& component, const QString& action) {
    return KeysOf(call("shortcutKeys", {QStringList{component, action, {}, {}}}));
}

QList<int> KdeDesktop::takeKeys(const QString& component, const QString& action,
                                const QList<int>& keys) {
    const QStringList id{component, action, component, action};
    call("doRegister", {id});
    // Present, and these keys rather than any kept ones.
    return KeysOf(call("setShortcutKeys", {id, SequencesOf(keys), 2u | 4u}));
}

bool KdeDesktop::changeKeys(const QString& component, const QString& action,
                            const QList<int>& keys) {
    return call("setForeignShortcutKeys",
                {QStringList{component, action, {}, {}}, SequencesOf(keys)})
               .type() == QDBusMessage::ReplyMessage;
}

QStringList KdeDesktop::components() {
    QStringList names;
    const QDBusMessage reply = call("allMainComponents", {});
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        for (const QStringList& c : qdbus_cast<QList<QStringList>>(reply.arguments().first()))
            names << c.join(u'|');
    return names;
}

bool KdeDesktop::active(const QString& component) {
    const QDBusMessage path = call("getComponent", {component});
    if (path.type() != QDBusMessage::ReplyMessage || path.arguments().isEmpty())
        return false;
    QDBusMessage ask = QDBusMessage::createMethodCall(
        "org.kde.kglobalaccel", path.arguments().first().value<QDBusObjectPath>().path(),
        "org.kde.kglobalaccel.Component", "isActive");
    ask.setAutoStartService(false);
    const QDBusMessage reply =
        QDBusConnection::connectToBus(address_, connectionName_).call(ask, QDBus::Block, 5000);
    return !reply.arguments().isEmpty() && reply.arguments().first().toBool();
}

QStringList KdeDesktop::actions(const QString& component) {
    QStringList names;
    const QDBusMessage reply = call("allActionsForComponent", {QStringList{component}});
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        for (const QStringList& id : qdbus_cast<QList<QStringList>>(reply.arguments().first()))
            if (id.size() > 1)
                names << id.at(1);
    return names;
}

QString KdeDesktop::savedKeys() const {
    QFile file(config_.filePath("config/kglobalshortcutsrc"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString KdeDesktop::log() {
    QString text = QString::fromUtf8(daemon_.readAll());
    for (auto& process : portal_)
        text += QString::fromUtf8(process->readAll());
    return text;
}
