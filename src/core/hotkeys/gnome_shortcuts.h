// GNOME's own custom keyboard shortcuts, for GNOME sessions without the
// global shortcuts portal: each runs the command line (`memotap --play-pause`
// and so on) for an active record. They live in the settings key
// org.gnome.settings-daemon.plugins.media-keys custom-keybindings, a list of
// paths the user's own shortcuts share, so ours are added to it and taken out
// of it, never the list replaced. Read and written with the gsettings tool.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace modMain {

// The settings schema is installed and gsettings runs.
bool GnomeShortcutsAvailable();

// Adds (or renews) a shortcut for each active record with a combination GNOME
// can name, running commandLine ("/path/memotap") with the command's option,
// and takes out those of records disabled since. With changedRecord, after
// the hotkey dialog changed that record, only its key is written: the others
// keep the keys they have in GNOME (the user may have changed or removed them
// in GNOME's keyboard settings) and only their command is renewed.
// False, with a log line, when a setting could not be written.
bool AddGnomeShortcuts(const QString& commandLine, int changedRecord = 0);
// Takes our shortcuts out of the list and resets their settings.
bool RemoveGnomeShortcuts();
// The paths of our shortcuts in the list.
QStringList GnomeShortcutPaths();

// GNOME's key of each of our shortcuts, by the command's name, as GNOME's
// settings show it ("Ctrl+Space"); a command whose shortcut has no key is
// left out. Nothing when GNOME's list could not be read or holds none of ours.
std::optional<QMap<QString, QString>> GnomeShortcutKeys();

// The path of record's shortcut: ".../custom-keybindings/memotapN/".
QString GnomeShortcutPath(int record);

} // namespace modMain
