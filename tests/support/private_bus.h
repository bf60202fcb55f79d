// A session bus of the test's own, stopped with the object: D-Bus tests never
// meet the user's desktop.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class PrivateBus {
  public:
    // A configuration of the bus's own: it starts only the services in
    // folder when a name without an owner is asked for (none when folder is
    // empty), so that only what the test started answers.
    struct OwnServices {
        QString folder;
    };

    // dbus-daemon --session: the services installed on the system may start.
    PrivateBus();
    explicit PrivateBus(const OwnServices& services);
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;
    // The address for DBUS_SESSION_BUS_ADDRESS; empty when the daemon did not start.
    QString address() const { return address_; }

  private:
    void start(const QStringList& configuration);

    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
};
