// A desktop portal with global shortcuts (org.freedesktop.portal.Desktop)
// on a test's private session bus: it speaks the request/response protocol
// of CreateSession and BindShortcuts, takes the host registry's id, and can
// refuse, answer late, not answer, change the triggers, press shortcuts and
// vanish and come back. It lives on a connection of its own in the test's
// process; the player under test may be another process.
#pragma once

#include "inputs/portal_types.h"
#include "support/private_bus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <memory>

class FakePortal : public QObject {
    Q_OBJECT

  public:
    enum class Answer { Accept, Refuse, Late, Never };

    // version 0: the portal has no GlobalShortcuts interface (as on Sway).
    explicit FakePortal(const QString& busAddress, uint version = 2);
    ~FakePortal() override;

    // Takes the portal's name on the bus (again); false when the bus refused.
    bool appear();
    // Gives the name up, as a portal that exits or crashes does.
    void vanish();

    // How BindShortcuts is answered; CreateSession is always accepted.
    Answer bindAnswer = Answer::Accept;
    // The triggers the desktop chooses, by id; others get their preferred one.
    QMap<QString, QString> chosenTriggers;
    // Shortcuts the desktop leaves out of its answer: it did not bind them.
    QStringList unboundIds;
    // Answers every bind with an empty list, as KDE's portal before 6.0.2
    // does when the list comes in BindShortcuts.
    bool answersEmpty = false;

    // What was asked: the ids the registry took, every call in order
    // ("Register", "CreateSession", "BindShortcuts", ...), the last bound set.
    QStringList registeredIds;
    QStringList calls;
    inputs::PortalShortcutList lastBound;
    QString lastParentWindow; // of the last BindShortcuts or ConfigureShortcuts
    int configureCalls = 0;

    // The session of the last bind, empty before one.
    QString session() const { return session_; }
    // Answers a bind held back by Answer::Late; false when none waits.
    bool answerLate(uint code = 0);

    void activate(const QString& id);
    void deactivate(const QString& id);
    // ShortcutsChanged with these triggers for the last bound ids.
    void changeTriggers(const QMap<QString, QString>& triggers);

    // Called by the adaptors.
    QDBusObjectPath createSession(const QVariantMap& options, const QDBusMessage& message);
    QDBusObjectPath bindShortcuts(const QDBusObjectPath& session,
                                  const inputs::PortalShortcutList& shortcuts,
                                  const QString& parentWindow, const QVariantMap& options,
                                  const QDBusMessage& message);
    void registerApp(const QString& appId, const QDBusMessage& message);
    void configure(const QDBusObjectPath& session, const QString& parentWindow);
    uint version() const { return version_; }

  private:
    void respond(const QString& requestPath, uint code, const QVariantMap& results);
    void emitSignal(const QString& name, const QVariantList& arguments);
    QVariant triggerList(const QMap<QString, QString>& triggers) const;

    QString name_;
    QDBusConnection bus_;
    uint version_;
    QString session_;
    QString lateRequest_;
    QVariantMap lateResults_;
    QStringList callers_; // senders that made a portal call
};

// The player's side of a portal test: its files in folder with the default
// key file on disk and no record loaded yet, no desktop named, nothing shown.
void BeginPortalTest(const QString& folder);
// Back to no backend and no folder; connectionName is the player's bus connection.
void EndPortalTest(const QString& connectionName);
