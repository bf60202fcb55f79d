#include "core/hotkeys/gnome_shortcuts.h"

#include "core/commands.h"
#include "core/hotkeys/desktop_shortcuts.h"
#include "core/hotkeys/extra_keys.h"
#include "core/hotkeys/gsettings_run.h"
#include "core/hotkeys/keylist.h"
#include "core/hotkeys/shortcut_triggers.h"

#include <QRegularExpression>
#include <algorithm>
#include <deque>
#include <memory>
#include <utility>

namespace modMain {

namespace {

const QString Schema = QStringLiteral("org.gnome.settings-daemon.plugins.media-keys");
const QString ListKey = QStringLiteral("custom-keybindings");
const QString ShortcutSchema =
    QStringLiteral("org.gnome.settings-daemon.plugins.media-keys.custom-keybinding");
const QString BasePath =
    QStringLiteral("/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/");
const QString OurPrefix = BasePath + QStringLiteral("memotap");

using Outputs = QList<std::optional<QString>>;

// One piece of work on GNOME's settings; it calls end once it is over.
using Work = std::function<void(std::function<void()> end)>;

std::deque<Work> waiting;
bool working = false;

void StartNext() {
    if (working || waiting.empty())
        return;
    working = true;
    Work work = std::move(waiting.front());
    waiting.pop_front();
    work([] {
        working = false;
        StartNext();
    });
}

void Queue(Work work) {
    waiting.push_back(std::move(work));
    StartNext();
}

// Runs every gsettings at once; done gets their outputs in the same order.
// For reads only: writers each rewrite the whole settings file of the keyfile
// backend, so writes at once would lose one another.
void ReadAll(const QList<QStringList>& runs, std::function<void(Outputs)> done) {
    if (runs.isEmpty()) {
        done({});
        return;
    }
    struct Gathered {
        Outputs outputs;
        qsizetype left = 0;
        std::function<void(Outputs)> done;
    };
    auto gathered = std::make_shared<Gathered>();
    gathered->outputs.resize(runs.size());
    gathered->left = runs.size();
    gathered->done = std::move(done);
    for (qsizetype i = 0; i < runs.size(); ++i)
        RunGsettings(runs.at(i), [gathered, i](std::optional<QString> output) {
            gathered->outputs[i] = std::move(output);
            if (--gathered->left == 0)
                gathered->done(std::move(gathered->outputs));
        });
}

// Runs the writes one after another from the first; done tells whether every
// one succeeded.
void WriteInTurn(QList<QStringList> writes, std::function<void(bool)> done, bool ok = true) {
    if (writes.isEmpty()) {
        done(ok);
        return;
    }
    const QStringList first = writes.takeFirst();
    RunGsettings(first, [writes = std::move(writes), done = std::move(done),
                         ok](std::optional<QString> output) mutable {
        WriteInTurn(std::move(writes), std::move(done), output.has_value() && ok);
    });
}

bool AllRan(const Outputs& outputs) {
    return std::all_of(outputs.begin(), outputs.end(),
                       [](const std::optional<QString>& output) { return output.has_value(); });
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

QStringList Ours(const QStringList& paths) {
    QStringList ours;
    for (const QString& path : paths)
        if (path.startsWith(OurPrefix))
            ours << path;
    return ours;
}

void ReadList(std::function<void(std::optional<QStringList>)> done) {
    RunGsettings({QStringLiteral("get"), Schema, ListKey},
                 [done = std::move(done)](std::optional<QString> text) {
                     if (!text) {
                         done(std::nullopt);
                         return;
                     }
                     // "['/a/', '/b/']" or "@as []"; the paths hold no quotes.
                     QStringList paths;
                     static const QRegularExpression item(QStringLiteral("'([^']*)'"));
                     for (const QRegularExpressionMatch& match : item.globalMatch(*text))
                         paths << match.captured(1);
                     done(paths);
                 });
}

void WriteList(const QStringList& paths, std::function<void(bool)> done) {
    QStringList items;
    for (const QString& path : paths)
        items << Quoted(path);
    RunGsettings(
        {QStringLiteral("set"), Schema, ListKey, u'[' + items.join(QStringLiteral(", ")) + u']'},
        [done = std::move(done)](std::optional<QString> output) { done(output.has_value()); });
}

QStringList SetShortcut(const QString& path, const QString& key, const QString& value) {
    return {QStringLiteral("set"), ShortcutSchema + u':' + path, key, Quoted(value)};
}

QStringList ResetShortcut(const QString& path) {
    return {QStringLiteral("reset-recursively"), ShortcutSchema + u':' + path};
}

// The settings AddGnomeShortcuts writes into a list of paths, which gains the
// paths of new shortcuts and loses those of disabled records.
QList<QStringList> ShortcutWrites(QStringList& paths, const QString& commandLine,
                                  int changedRecord) {
    QList<QStringList> writes;
    for (int line = 0; line < DialogLineCount; ++line) {
        const int record = RecordOfLine(line);
        const HotkeyEntry& entry = Binding(record);
        const std::optional<Command> command = CommandOfDialogRecord(record);
        const QString accelerator = GnomeAccelerator(ModifiersOf(entry), entry.VirtualKey);
        const QString path = GnomeShortcutPath(record);
        if (entry.Active == 0 || !command || accelerator.isEmpty()) {
            // A record disabled since: its shortcut goes.
            if (paths.removeAll(path) > 0)
                writes << ResetShortcut(path);
            continue;
        }
        // GNOME's key of a record the dialog did not change stays GNOME's,
        // and a shortcut the user took out of GNOME stays out.
        const bool keepKey = changedRecord != 0 && record != changedRecord;
        if (keepKey && !paths.contains(path))
            continue;
        const CommandInfo& info = InfoOf(*command);
        writes << SetShortcut(path, QStringLiteral("name"),
                              AppTitle + QStringLiteral(": ") + info.displayName)
               << SetShortcut(path, QStringLiteral("command"),
                              commandLine + QStringLiteral(" --") + info.name);
        if (!keepKey)
            writes << SetShortcut(path, QStringLiteral("binding"), accelerator);
        if (!paths.contains(path))
            paths.append(path);
    }
    return writes;
}

} // namespace

void GnomeShortcutsAvailable(std::function<void(bool)> done) {
    Queue([done = std::move(done)](std::function<void()> end) {
        ReadAll({{QStringLiteral("list-keys"), ShortcutSchema + u':' + BasePath},
                 {QStringLiteral("list-keys"), Schema}},
                [done, end](Outputs outputs) {
                    end();
                    done(AllRan(outputs));
                });
    });
}

QString GnomeShortcutPath(int record) {
    return OurPrefix + QString::number(record) + u'/';
}

void AddGnomeShortcuts(const QString& commandLine, int changedRecord,
                       std::function<void(bool)> done) {
    Queue([commandLine, changedRecord, done = std::move(done)](std::function<void()> end) {
        ReadList([=](std::optional<QStringList> read) {
            if (!read || (changedRecord != 0 && Ours(*read).isEmpty())) {
                end();
                done(false);
                return;
            }
            QStringList paths = *read;
            const QList<QStringList> writes = ShortcutWrites(paths, commandLine, changedRecord);
            // The shortcuts first, then the list that makes GNOME take them.
            WriteInTurn(writes, [=](bool written) {
                WriteList(paths, [=](bool listed) {
                    end();
                    done(listed && written);
                });
            });
        });
    });
}

void RemoveGnomeShortcuts(std::function<void(bool)> done) {
    Queue([done = std::move(done)](std::function<void()> end) {
        ReadList([=](std::optional<QStringList> paths) {
            if (!paths) {
                end();
                done(false);
                return;
            }
            QStringList kept = *paths;
            const QStringList ours = Ours(kept);
            for (const QString& path : ours)
                kept.removeAll(path);
            WriteList(kept, [=](bool listed) {
                if (!listed) {
                    end();
                    done(false);
                    return;
                }
                QList<QStringList> resets;
                for (const QString& path : ours)
                    resets << ResetShortcut(path);
                WriteInTurn(resets, [=](bool reset) {
                    end();
                    done(reset);
                });
            });
        });
    });
}

void GnomeShortcutKeys(std::function<void(std::optional<QMap<QString, QString>>)> done) {
    Queue([done = std::move(done)](std::function<void()> end) {
        ReadList([=](std::optional<QStringList> paths) {
            const QStringList ours = paths ? Ours(*paths) : QStringList();
            if (ours.isEmpty()) {
                end();
                done(std::nullopt);
                return;
            }
            QList<QStringList> reads;
            for (const QString& path : ours)
                reads << QStringList{QStringLiteral("get"), ShortcutSchema + u':' + path,
                                     QStringLiteral("binding")};
            ReadAll(reads, [=](Outputs outputs) {
                QMap<QString, QString> keys;
                for (qsizetype i = 0; i < ours.size(); ++i) {
                    const std::optional<QString> id = ShortcutIdOf(RecordOfPath(ours.at(i)));
                    const QString label =
                        outputs.at(i) ? GnomeKeyLabel(Unquoted(*outputs.at(i))) : QString();
                    if (id && !label.isEmpty())
                        keys.insert(*id, label);
                }
                end();
                done(keys);
            });
        });
    });
}

void GnomeShortcutPaths(std::function<void(QStringList)> done) {
    Queue([done = std::move(done)](std::function<void()> end) {
        ReadList([=](std::optional<QStringList> paths) {
            end();
            done(paths ? Ours(*paths) : QStringList());
        });
    });
}

} // namespace modMain
