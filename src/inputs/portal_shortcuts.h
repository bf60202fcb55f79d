// Global shortcuts through the desktop portal
// (org.freedesktop.portal.GlobalShortcuts, versions 1 and 2) for Wayland
// sessions, where X11 key grabs hear nothing while a Wayland window has the
// keyboard. Each bind registers the application id with the portal's host
// registry (once per portal instance), opens a new session and binds the set
// in it; every step waits for its request's Response, never longer than a
// time-out. The portal going away ends the session; when it comes back the
// last set is bound again.
#pragma once

#include "core/hotkeys/desktop_shortcuts.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QTimer>
#include <functional>
#include <memory>

class QDBusMessage;
class QDBusPendingCallWatcher;

namespace inputs {

class PortalShortcuts : public modMain::DesktopShortcuts {
    Q_OBJECT

  public:
    // Talks to the portal over connection, a connection of its own: the host
    // registry only takes an id before the connection's first portal call.
    PortalShortcuts(const QDBusConnection& connection, const QString& appId);
    ~PortalShortcuts() override;

    void bind(const QList<modMain::WantedShortcut>& shortcuts) override;
    bool canConfigure() const override;
    void configure() override;

    // How long a request may wait for its answer: opening a session needs no
    // user, binding may wait for the user in the desktop's dialog.
    void setAnswerTimeouts(int sessionMs, int bindMs);
    // The interface version the portal reported (0 before it answered).
    uint version() const { return version_; }

  private slots:
    void onResponse(const QDBusMessage& message);
    void onActivated(const QDBusMessage& message);
    void onDeactivated(const QDBusMessage& message);
    void onShortcutsChanged(const QDBusMessage& message);
    void onSessionClosed(const QDBusMessage& message);

  private:
    enum class Step { Idle, Registering, Version, CreatingSession, Binding };

    void start();
    void registerApp();
    void readVersion();
    void createSession();
    void bindShortcuts();
    void sessionCreated(const QVariantMap& results);
    void shortcutsBound(const QVariantMap& results);
    void finish(Outcome outcome);
    void portalGone();
    void portalBack();
    void closeSession();
    void timedOut();

    QDBusMessage portalCall(const QString& interface, const QString& method) const;
    // Sends a call whose reply comes to then, or an error to fail.
    void send(const QDBusMessage& call, std::function<void(const QDBusMessage&)> then,
              std::function<void(const QDBusMessage&)> fail);
    // A call answered through a Request object: waits for its Response.
    void request(QDBusMessage call, const QString& token, int timeoutMs);
    void watch(const QString& requestPath);
    void unwatch(const QString& requestPath);
    QString requestPath(const QString& token) const;
    QString nextToken(const QString& kind);
    bool ownSession(const QDBusMessage& message) const;

    QDBusConnection bus_;
    QString appId_;
    QDBusServiceWatcher watcher_;
    QTimer answerTimer_;
    int sessionTimeoutMs_ = 15000;
    int bindTimeoutMs_ = 180000;

    Step step_ = Step::Idle;
    bool replaced_ = false; // bind() came again while a bind ran
    bool wanted_ = false;   // bind() was called at least once
    QList<modMain::WantedShortcut> shortcuts_;
    bool registered_ = false; // the host registry was asked on this portal
    uint version_ = 0;
    QString session_;
    QString pendingRequest_; // the request whose Response is awaited
    QString lateBind_;       // a bind that timed out and may still answer
    bool bound_ = false;
    int tokens_ = 0;
    int attempt_ = 0; // answers to an earlier attempt are dropped
};

// The portal backend on its own connection to the session bus.
std::unique_ptr<modMain::HotkeyBackend> makePortalHotkeyBackend();

} // namespace inputs
