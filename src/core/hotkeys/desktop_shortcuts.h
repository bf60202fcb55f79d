// Hotkeys whose keys the desktop decides, as the global shortcuts portal of a
// Wayland session does: the player asks for the whole set of shortcuts at
// once, by command name, and hears later what the desktop made of it.
#pragma once

#include "core/commands.h"
#include "core/hotkeys/hotkey_backend.h"

#include <QList>
#include <QMap>
#include <QString>
#include <functional>
#include <optional>

namespace modMain {

struct WantedShortcut {
    QString id;               // the command's name: "play-pause"
    QString description;      // its display name: "再生/一時停止"
    QString preferredTrigger; // the record's combination: "CTRL+space"
    Long modifiers = 0;       // the same as the key file has it
    Long virtualKey = 0;
    // Chosen in the hotkey dialog just now: it replaces a key the user gave
    // the command in the desktop's own settings.
    bool changed = false;
    bool operator==(const WantedShortcut&) const = default;
};

// The command of a hotkey dialog record (1 to 8 and the timestamp keys), and
// its name, which is its shortcut's id.
std::optional<Command> CommandOfDialogRecord(int record);
std::optional<QString> ShortcutIdOf(int record);

// The shortcuts of the hotkey dialog's active records; changedRecord's is
// marked changed.
QList<WantedShortcut> ActiveShortcuts(int changedRecord = 0);
// The dialog record whose command is named id.
std::optional<int> RecordOfShortcut(const QString& id);

class DesktopShortcuts : public HotkeyBackend {
    Q_OBJECT

  public:
    enum class Outcome {
        Bound,       // the desktop took the set (its keys may differ)
        Refused,     // the desktop or the user said no
        Unavailable, // no portal, no global shortcuts, no answer, or it went away
    };
    Q_ENUM(Outcome)

    // Single combinations are not this backend's way: the registry binds the
    // whole set through bind().
    bool registerHotKey(Long, Long, Long) override { return false; }
    bool unregisterHotKey(Long) override { return false; }

    // Asks for exactly these shortcuts, replacing the set asked for before;
    // finished follows once for each call that is not replaced by a later one
    // before its answer.
    virtual void bind(const QList<WantedShortcut>& shortcuts) = 0;
    // The desktop can show its own settings of our shortcuts.
    virtual bool canConfigure() const = 0;
    virtual void configure() = 0;
    // The window a desktop's dialog belongs to, as the portal names it
    // ("x11:" and the XID in hexadecimal; empty for none). Asked at each
    // call, since a window changing its flags gets a new XID.
    void setParentWindow(std::function<QString()> handle) { parentWindow_ = std::move(handle); }
    QString parentWindow() const { return parentWindow_ ? parentWindow_() : QString(); }

    // The trigger the desktop reported for each bound shortcut, by id, as the
    // desktop describes it; a shortcut without one is not bound.
    const QMap<QString, QString>& triggers() const { return triggers_; }

  signals:
    void finished(modMain::DesktopShortcuts::Outcome outcome);
    void triggersChanged();
    // The desktop's shortcuts went away while bound; they come back by
    // themselves when it returns.
    void lost();

  protected:
    void setTriggers(const QMap<QString, QString>& triggers);
    // A shortcut was pressed or let go: the signals of the record's id.
    void shortcutActivated(const QString& id);
    void shortcutDeactivated(const QString& id);

  private:
    QMap<QString, QString> triggers_;
    std::function<QString()> parentWindow_;
};

// The process's backend when it is a desktop's, else null.
DesktopShortcuts* desktopShortcuts();

// The active dialog records whose shortcut the desktop has not bound, or
// that have no key among keys (by shortcut id).
QList<int> UnboundRecords(const DesktopShortcuts& desktop);
QList<int> UnboundRecords(const QMap<QString, QString>& keys);
// Their dialog lines, one a line (CR LF between), followed by "は".
QString UnboundLines(const QList<int>& records);

} // namespace modMain
