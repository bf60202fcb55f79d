#include "core/hotkeys/gnome_shortcuts.h"

#include "core/commands.h"
#include "core/hotkeys/desktop_shortcuts.h"
#include "core/hotkeys/keylist.h"
#include "core/hotkeys/shortcut_triggers.h"
#include "core/hotkeys/extra_keys.h"
#include "core/log.h"

#include <QProcess>
#include <QRegularExpression>
#include <memory>
#include <optional>
#include <vector>

namespace modMain {

namespace {

const QString Schema = QStringLiteral("org.gnome.settings-daemon.plugins.media-keys");
const QString ListKey = QStringLiteral("custom-keybindings");
const QString ShortcutSchema =
    QStringLiteral("org.gnome.settings-daemon.plugins.media-keys.custom-keybinding");
const QString BasePath =
    QStringLiteral("/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/");
const QString OurPrefix = BasePath + QStringLiteral("memotap");

std::optional<QString> Gsettings(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("gsettings"), arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qCWarning(lcHotkeys).noquote()
            << "gsettings" << arguments.join(u' ') << "failed:" << process.errorString()
            << QString::fromUtf8(process.readAllStandardError()).trimmed();
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// A GVariant string in its text form, as gsettings reads it.
QString Quoted(const QString& text) {
    QString escaped = text;
    escaped.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
    return u'\'' + escaped + u'\'';
}

// The string of a GVariant string's text form; gsettings quotes with " a
// string holding a '.
QString Unquoted(const QString& text) {
    if (text.size() < 2 || text.front() != text.back() ||
        (text.front() != u'\'' && text.front() != u'"'))
        return {};
    QString plain;
    const QString inner = text.mid(1, text.size() - 2);
    for (qsizetype i = 0; i < inner.size(); ++i) {
        if (inner.at(i) == u'\\' && i + 1 < inner.size())
            ++i;
        plain += inner.at(i);
    }
    return plain;
}

// The record of one of our paths; 0 for another path.
int RecordOfPath(const QString& path) {
    if (!path.startsWith(OurPrefix) || !path.endsWith(u'/'))
        return 0;
    bool ok = false;
    const int record = path.mid(OurPrefix.size()).chopped(1).toInt(&ok);
    return ok ? record : 0;
}

std::optional<QStringList> ReadList() {
    const std::optional<QString> text = Gsettings({QStringLiteral("get"), Schema, ListKey});
    if (!text)
        return std::nullopt;
    // "['/a/', '/b/']" or "@as []"; the paths hold no quotes.
    QStringList paths;
    static const QRegularExpression item(QStringLiteral("'([^']*)'"));
    for (const QRegularExpressionMatch& match : item.globalMatch(*text))
        paths << match.captured(1);
    return paths;
}

bool WriteList(const QStringList& paths) {
    QStringList items;
    for (const QString& path : paths)
        items << Quoted(path);
    return Gsettings({QStringLiteral("set"), Schema, ListKey,
                      u'[' + items.join(QStringLiteral(", ")) + u']'})
        .has_value();
}

bool SetShortcut(const QString& path, const QString& key, const QString& value) {
    return Gsettings({QStringLiteral("set"), ShortcutSchema + u':' + path, key, Quoted(value)})
        .has_value();
}

} // namespace

bool GnomeShortcutsAvailable() {
    return Gsettings({QStringLiteral("list-keys"), ShortcutSchema + u':' + BasePath}).has_value() &&
           Gsettings({QStringLiteral("list-keys"), Schema}).has_value();
}

QString GnomeShortcutPath(int record) {
    return OurPrefix + QString::number(record) + u'/';
}

bool AddGnomeShortcuts(const QString& commandLine, int changedRecord) {
    std::optional<QStringList> paths = ReadList();
    if (!paths)
        return false;
    bool ok = true;
    for (int line = 0; line < DialogLineCount; ++line) {
        const int record = RecordOfLine(line);
        const HotkeyEntry& entry = Binding(record);
        const std::optional<Command> command = CommandOfDialogRecord(record);
        const QString accelerator = GnomeAccelerator(ModifiersOf(entry), entry.VirtualKey);
        const QString path = GnomeShortcutPath(record);
        if (entry.Active == 0 || !command || accelerator.isEmpty()) {
            // A record disabled since: its shortcut goes.
            if (paths->removeAll(path) > 0)
                ok = Gsettings({QStringLiteral("reset-recursively"), ShortcutSchema + u':' + path})
                         .has_value() &&
                     ok;
            continue;
        }
        // GNOME's key of a record the dialog did not change stays GNOME's,
        // and a shortcut the user took out of GNOME stays out.
        const bool keepKey = changedRecord != 0 && record != changedRecord;
        if (keepKey && !paths->contains(path))
            continue;
        const CommandInfo& info = InfoOf(*command);
        ok = SetShortcut(path, QStringLiteral("name"),
                         AppTitle + QStringLiteral(": ") + info.displayName) &&
             SetShortcut(path, QStringLiteral("command"),
                         commandLine + QStringLiteral(" --") + info.name) &&
             (keepKey || SetShortcut(path, QStringLiteral("binding"), accelerator)) && ok;
        if (!paths->contains(path))
            paths->append(path);
    }
    return WriteList(*paths) && ok;
}

bool RemoveGnomeShortcuts() {
    const std::optional<QStringList> paths = ReadList();
    if (!paths)
        return false;
    QStringList kept;
    QStringList ours;
    for (const QString& path : *paths)
        (path.startsWith(OurPrefix) ? ours : kept) << path;
    if (!WriteList(kept))
        return false;
    bool ok = true;
    for (const QString& path : ours)
        ok = Gsettings({QStringLiteral("reset-recursively"), ShortcutSchema + u':' + path})
                 .has_value() &&
             ok;
    return ok;
}

std::optional<QMap<QString, QString>> GnomeShortcutKeys() {
    const QStringList ours = GnomeShortcutPaths();
    if (ours.isEmpty())
        return std::nullopt;
    // The dialog waits for these: all asked at once.
    std::vector<std::unique_ptr<QProcess>> reads;
    for (const QString& path : ours) {
        reads.push_back(std::make_unique<QProcess>());
        reads.back()->start(
            QStringLiteral("gsettings"),
            {QStringLiteral("get"), ShortcutSchema + u':' + path, QStringLiteral("binding")});
    }
    QMap<QString, QString> keys;
    for (qsizetype i = 0; i < ours.size(); ++i) {
        QProcess& read = *reads[size_t(i)];
        if (!read.waitForFinished(10000) || read.exitStatus() != QProcess::NormalExit ||
            read.exitCode() != 0) {
            qCWarning(lcHotkeys).noquote() << "cannot read GNOME's key of" << ours.at(i);
            continue;
        }
        const std::optional<QString> id = ShortcutIdOf(RecordOfPath(ours.at(i)));
        const QString label =
            GnomeKeyLabel(Unquoted(QString::fromUtf8(read.readAllStandardOutput()).trimmed()));
        if (id && !label.isEmpty())
            keys.insert(*id, label);
    }
    return keys;
}

QStringList GnomeShortcutPaths() {
    QStringList ours;
    if (const std::optional<QStringList> paths = ReadList())
        for (const QString& path : *paths)
            if (path.startsWith(OurPrefix))
                ours << path;
    return ours;
}

} // namespace modMain
