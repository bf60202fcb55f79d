#include "support/private_bus.h"

#include <QElapsedTimer>

PrivateBus::PrivateBus() {
    daemon_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
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
