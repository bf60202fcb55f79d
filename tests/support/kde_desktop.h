// KDE's shortcut daemon (kglobalaccel5) and, when asked, the desktop portal
// with its KDE backend, on a test's X display and private session bus, with
// a configuration folder of their own that outlives a restart of the daemon.
// The test talks to the daemon as KDE's settings and other applications do.
#pragma once

#include <QDBusConnection>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <vector>

class KdeDesktop {
  public:
    KdeDesktop(const QString& display, const QString& busAddress);
    ~KdeDesktop();
    KdeDesktop(const KdeDesktop&) = delete;
    KdeDesktop& operator=(const KdeDesktop&) = delete;

    // Starts kglobalaccel5 and waits for its name on the bus.
    bool startDaemon();
    void stopDaemon();
    // Starts xdg-desktop-portal-kde and xdg-desktop-portal.
    bool startPortal();

    // The daemon's calls; actions are [component, action, friendly names].
    QList<int> keys(const QString& component, const QString& action);
    // As another application takes keys for itself (they win over ours).
    QList<int> takeKeys(const QString& component, const QString& action, const QList<int>& keys);
    // As KDE's shortcut settings change a key of another application.
    bool changeKeys(const QString& component, const QString& action, const QList<int>& keys);
    QStringList components();
    // The component has keys an application takes now (it runs).
    bool active(const QString& component);
    QStringList actions(const QString& component);

    // The daemon's file of keys, which it writes a moment after a change.
    QString savedKeys() const;

    // What the daemon logged, for a failure's message.
    QString log();

  private:
    bool waitForName(const QString& name, bool present);
    QDBusMessage call(const QString& method, const QVariantList& arguments);
    QProcess& launch(const QString& program);

    QString display_;
    QString address_;
    QString connectionName_;
    QTemporaryDir config_;
    QProcessEnvironment env_;
    QProcess daemon_;
    std::vector<std::unique_ptr<QProcess>> portal_;
};
