// GNOME's own custom keyboard shortcuts, for GNOME sessions without the
// global shortcuts portal: each runs the command line (`memotap --play-pause`
// and so on) for an active record. They live in the settings key
// org.gnome.settings-daemon.plugins.media-keys custom-keybindings, a list of
// paths the user's own shortcuts share, so ours are added to it and taken out
// of it, never the list replaced. Read and written with the gsettings tool,
// which nothing waits for: each function starts its work and answers through
// its callback from the event loop, never before it returns. The work runs
// one at a time in the order asked, so a change that reads the list and
// writes it back never crosses another, and answers come in that order too.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace modMain {

// Whether the settings schema is installed and gsettings runs.
void GnomeShortcutsAvailable(std::function<void(bool available)> done);

// Adds (or renews) a shortcut for each active record with a combination GNOME
// can name, running commandLine ("/path/memotap") with the command's option,
// and takes out those of records disabled since. With changedRecord, after
// the hotkey dialog changed that record, only where the list holds some of
// ours already, and only that record's key is written: the others keep the
// keys they have in GNOME (the user may have changed or removed them in
// GNOME's keyboard settings) and only their command is renewed.
// done(false), with a log line, when a setting could not be written or, with
// changedRecord, the list holds none of ours.
void AddGnomeShortcuts(const QString& commandLine, int changedRecord,
                       std::function<void(bool ok)> done);
// Takes our shortcuts out of the list and resets their settings.
void RemoveGnomeShortcuts(std::function<void(bool ok)> done);
// The paths of our shortcuts in the list; none when it cannot be read.
void GnomeShortcutPaths(std::function<void(QStringList paths)> done);

// GNOME's key of each of our shortcuts, by the command's name, as GNOME's
// settings show it ("Ctrl+Space"); a command whose shortcut has no key is
// left out. Nothing when GNOME's list could not be read or holds none of ours.
void GnomeShortcutKeys(std::function<void(std::optional<QMap<QString, QString>> keys)> done);

// The path of record's shortcut: ".../custom-keybindings/memotapN/".
QString GnomeShortcutPath(int record);

} // namespace modMain
