#include "core/hotkeys/desktop_shortcuts.h"

#include "core/commands.h"
#include "core/hotkeys/extra_keys.h"
#include "core/hotkeys/keylist.h"
#include "core/hotkeys/shortcut_triggers.h"
#include "core/log.h"

namespace modMain {

std::optional<Command> CommandOfDialogRecord(int record) {
    if (IsExtraRecord(record))
        return CommandOfExtraRecord(record);
    return CommandOfRecord(record);
}

std::optional<QString> ShortcutIdOf(int record) {
    const std::optional<Command> command = CommandOfDialogRecord(record);
    return command ? std::optional(InfoOf(*command).name) : std::nullopt;
}

QList<WantedShortcut> ActiveShortcuts(int changedRecord) {
    QList<WantedShortcut> shortcuts;
    for (int line = 0; line < DialogLineCount; ++line) {
        const int record = RecordOfLine(line);
        const HotkeyEntry& entry = Binding(record);
        const std::optional<Command> command = CommandOfDialogRecord(record);
        if (entry.Active == 0 || !command)
            continue;
        const CommandInfo& info = InfoOf(*command);
        shortcuts.append({info.name, info.displayName,
                          PortalTrigger(ModifiersOf(entry), entry.VirtualKey), ModifiersOf(entry),
                          entry.VirtualKey, record == changedRecord});
    }
    return shortcuts;
}

std::optional<int> RecordOfShortcut(const QString& id) {
    for (int line = 0; line < DialogLineCount; ++line) {
        const int record = RecordOfLine(line);
        if (ShortcutIdOf(record) == id)
            return record;
    }
    return std::nullopt;
}

void DesktopShortcuts::setTriggers(const QMap<QString, QString>& triggers) {
    if (triggers == triggers_)
        return;
    triggers_ = triggers;
    emit triggersChanged();
}

void DesktopShortcuts::shortcutActivated(const QString& id) {
    const std::optional<int> record = RecordOfShortcut(id);
    if (!record) {
        qCWarning(lcHotkeys).noquote() << "the desktop activated an unknown shortcut" << id;
        return;
    }
    emit pressed(Binding(*record).Id);
}

void DesktopShortcuts::shortcutDeactivated(const QString& id) {
    if (const std::optional<int> record = RecordOfShortcut(id))
        emit released(Binding(*record).Id);
}

DesktopShortcuts* desktopShortcuts() {
    return qobject_cast<DesktopShortcuts*>(&hotkeyBackend());
}

QList<int> UnboundRecords(const DesktopShortcuts& desktop) {
    return UnboundRecords(desktop.triggers());
}

QList<int> UnboundRecords(const QMap<QString, QString>& keys) {
    QList<int> records;
    for (const WantedShortcut& wanted : ActiveShortcuts())
        if (keys.value(wanted.id).isEmpty())
            records.append(*RecordOfShortcut(wanted.id));
    return records;
}

QString UnboundLines(const QList<int>& records) {
    QStringList lines;
    for (int record : records)
        lines << CommandLabel(record) + Binding(record).KeyText;
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("は");
}

} // namespace modMain
