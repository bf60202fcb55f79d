// Global shortcuts from KDE's own daemon, kglobalaccel (org.kde.kglobalaccel),
// which serves KDE applications in X11 and Wayland sessions alike, whatever
// version of the desktop portal the system has. The player's commands are
// one component under the application id, so KDE's shortcut settings list
// them under the player's name; a key the user changes there is kept by KDE
// and wins at the next start, unless the hotkey dialog changes that record.
#pragma once

#include "core/hotkeys/desktop_shortcuts.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QTimer>
#include <functional>
#include <memory>

class QDBusMessage;

namespace inputs {

class KGlobalAccelShortcuts : public modMain::DesktopShortcuts {
    Q_OBJECT

  public:
    // component: the component's unique name (the application id);
    // friendlyName: what KDE's settings show for it.
    KGlobalAccelShortcuts(const QDBusConnection& connection, const QString& component,
                          const QString& friendlyName);
    ~KGlobalAccelShortcuts() override;

    void bind(const QList<modMain::WantedShortcut>& shortcuts) override;
    // KDE's shortcut settings, opened only when the user asks.
    bool canConfigure() const override;
    void configure() override;

  private slots:
    void onPressed(const QString& component, const QString& action, qlonglong timestamp);
    void onReleased(const QString& component, const QString& action, qlonglong timestamp);
    void onShortcutsChanged(const QDBusMessage& message);

  private:
    void start();
    void removeStaleComponents(const QDBusMessage& reply);
    void registerSet();
    void keysSet(const QString& id, const QDBusMessage& reply);
    void finish(Outcome outcome);
    void daemonGone();
    void daemonBack();
    void answerOne();

    QStringList actionId(const QString& id, const QString& description) const;
    QDBusMessage daemonCall(const QString& method) const;
    // Sends call; its reply goes to then, an error to fail, unless a later
    // bind or the daemon's going away came in between.
    void send(const QDBusMessage& call, std::function<void(const QDBusMessage&)> then,
              std::function<void(const QDBusMessage&)> fail);

    QDBusConnection bus_;
    QString component_;
    QString friendlyName_;
    QDBusServiceWatcher watcher_;
    QTimer answerTimer_;
    // How long one bind may wait for the daemon's answers.
    static constexpr int AnswerTimeoutMs = 15000;

    bool busy_ = false;
    bool replaced_ = false; // bind() came again while a bind ran
    bool wanted_ = false;   // bind() was called at least once
    bool cleaned_ = false;  // old components were looked for on this daemon
    bool bound_ = false;
    QList<modMain::WantedShortcut> shortcuts_;
    QMap<QString, QString> answers_; // the keys of this bind so far, by id
    int pending_ = 0;                // answers this bind still waits for
    int attempt_ = 0; // answers to an earlier attempt are dropped
};

// kglobalaccel's backend on its own connection to the session bus.
std::unique_ptr<modMain::HotkeyBackend> makeKGlobalAccelHotkeyBackend();

} // namespace inputs
