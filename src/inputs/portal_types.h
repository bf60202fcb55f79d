// The shortcut list of the global shortcuts portal, a(sa{sv}): an id and its
// properties ("description", "preferred_trigger" going out,
// "trigger_description" coming back).
#pragma once

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QList>
#include <QString>
#include <QVariantMap>

namespace inputs {

struct PortalShortcut {
    QString id;
    QVariantMap properties;
};
using PortalShortcutList = QList<PortalShortcut>;

inline QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

inline const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

inline void RegisterPortalTypes() {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<PortalShortcutList>();
}

// A list out of a message argument or a results entry; empty when it is none.
inline PortalShortcutList ShortcutListOf(const QVariant& value) {
    if (value.canConvert<QDBusArgument>()) {
        const QDBusArgument argument = value.value<QDBusArgument>();
        if (argument.currentSignature() == QLatin1String("a(sa{sv})"))
            return qdbus_cast<PortalShortcutList>(argument);
    }
    return value.value<PortalShortcutList>();
}

} // namespace inputs

Q_DECLARE_METATYPE(inputs::PortalShortcut)
