// A session bus of the test's own (dbus-daemon --session), stopped with the
// object: D-Bus tests never meet the user's desktop.
#pragma once

#include <QProcess>
#include <QString>

class PrivateBus {
  public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;
    // The address for DBUS_SESSION_BUS_ADDRESS; empty when the daemon did not start.
    QString address() const { return address_; }

  private:
    QProcess daemon_;
    QString address_;
};
