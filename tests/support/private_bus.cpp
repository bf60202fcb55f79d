#include "support/private_bus.h"

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
