// A session bus of the test's own, stopped with the object: D-Bus tests never
// meet the user's desktop. Its configuration is its own too: it activates only
// the services a test puts into servicesDir(), never the ones installed on the
// machine (a desktop portal, kglobalaccel...), so no stray service outlives it.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <optional>

class PrivateBus {
  public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;
    // The address for DBUS_SESSION_BUS_ADDRESS; empty when the daemon did not start.
    QString address() const { return address_; }
    // The one folder of activatable services; empty unless a test fills it.
    QString servicesDir() const;
    // The player's MPRIS PlaybackStatus ("Playing", "Paused"...), asked on a
    // client connection of the test's; nothing while the player does not answer.
    std::optional<QString> playbackStatus() const;

  private:
    QString clientName() const;

    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
};
