#include "support/private_bus.h"

#include <QElapsedTimer>
#include <QFile>

namespace {

const char* const OwnConfiguration = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
%1</busconfig>
)";

} // namespace

PrivateBus::PrivateBus() {
    start({"--session"});
}

PrivateBus::PrivateBus(const OwnServices& services) {
    const QString path = dir_.filePath("session.conf");
    const QString folder =
        services.folder.isEmpty()
            ? QString()
            : "  <servicedir>" + services.folder.toHtmlEscaped() + "</servicedir>\n";
    QFile file(path);
    if (!dir_.isValid() || !file.open(QIODevice::WriteOnly) ||
        file.write(QString::fromUtf8(OwnConfiguration).arg(folder).toUtf8()) < 0)
        return;
    file.close();
    start({"--config-file=" + path});
}

void PrivateBus::start(const QStringList& configuration) {
    daemon_.start("dbus-daemon", configuration + QStringList{"--nofork", "--print-address=1"});
    if (!daemon_.waitForStarted(5000))
        return;
    QElapsedTimer timer;
    timer.start();
    QByteArray out;
    while (!out.contains('\n') && timer.elapsed() < 10000) {
        daemon_.waitForReadyRead(200);
        out += daemon_.readAllStandardOutput();
    }
    address_ = QString::fromUtf8(out.trimmed());
}

PrivateBus::~PrivateBus() {
    daemon_.terminate();
    if (!daemon_.waitForFinished(3000))
        daemon_.kill();
}
