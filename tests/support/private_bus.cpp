#include "support/private_bus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

namespace {

// A session bus as the stock one, minus the system's service folders and
// local additions.
const char* const Config = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <auth>EXTERNAL</auth>
  <servicedir>%2</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

} // namespace

PrivateBus::PrivateBus() {
    if (!dir_.isValid() || !QDir().mkpath(servicesDir()))
        return;
    const QString configPath = dir_.filePath(QStringLiteral("bus.conf"));
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly) ||
        config.write(QString::fromLatin1(Config).arg(dir_.path(), servicesDir()).toUtf8()) < 0)
        return;
    config.close();
    daemon_.start("dbus-daemon", {"--config-file=" + configPath, "--nofork", "--print-address=1"});
    if (!daemon_.waitForStarted(5000))
        return;
    QElapsedTimer timer;
    timer.start();
    QByteArray out;
    while (!out.contains('\n') && timer.elapsed() < 10000 && daemon_.state() == QProcess::Running) {
        daemon_.waitForReadyRead(200);
        out += daemon_.readAllStandardOutput();
    }
    address_ = QString::fromUtf8(out.trimmed());
}

PrivateBus::~PrivateBus() {
    QDBusConnection::disconnectFromBus(clientName());
    if (daemon_.state() == QProcess::NotRunning)
        return;
    daemon_.terminate();
    if (!daemon_.waitForFinished(3000))
        daemon_.kill();
    daemon_.waitForFinished(3000);
}

QString PrivateBus::servicesDir() const {
    return dir_.filePath(QStringLiteral("services"));
}

QString PrivateBus::clientName() const {
    return QStringLiteral("private-bus-client-") + dir_.path();
}

std::optional<QString> PrivateBus::playbackStatus() const {
    QDBusMessage get =
        QDBusMessage::createMethodCall("org.mpris.MediaPlayer2.memotap", "/org/mpris/MediaPlayer2",
                                       "org.freedesktop.DBus.Properties", "Get");
    get << QStringLiteral("org.mpris.MediaPlayer2.Player") << QStringLiteral("PlaybackStatus");
    const QDBusMessage reply =
        QDBusConnection::connectToBus(address_, clientName()).call(get, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    return reply.arguments().first().value<QDBusVariant>().variant().toString();
}
