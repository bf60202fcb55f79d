#include "core/hotkeys/shortcut_triggers.h"

#include "core/hotkeys/keylist.h"

#include <QStringList>

namespace modMain {

namespace {

QString NamedKey(Long vk) {
    switch (vk) {
    case 27:
        return QStringLiteral("Escape");
    case 29:
        return QStringLiteral("Muhenkan");
    case 32:
        return QStringLiteral("space");
    case 28:
        return QStringLiteral("Henkan");
    case 242:
        return QStringLiteral("Hiragana_Katakana");
    case 36:
        return QStringLiteral("Home");
    case 35:
        return QStringLiteral("End");
    case 33:
        return QStringLiteral("Page_Up");
    case 34:
        return QStringLiteral("Page_Down");
    case 37:
        return QStringLiteral("Left");
    case 38:
        return QStringLiteral("Up");
    case 39:
        return QStringLiteral("Right");
    case 40:
        return QStringLiteral("Down");
    case 111:
        return QStringLiteral("KP_Divide");
    case 106:
        return QStringLiteral("KP_Multiply");
    case 109:
        return QStringLiteral("KP_Subtract");
    case 107:
        return QStringLiteral("KP_Add");
    case 110:
        return QStringLiteral("KP_Decimal");
    // The OEM keys of the JIS layout, as the X11 grabs read them.
    case 189:
        return QStringLiteral("minus");
    case 222:
        return QStringLiteral("asciicircum");
    case 220: // yen key
    case 226: // "ろ" key
        return QStringLiteral("backslash");
    case 192:
        return QStringLiteral("at");
    case 219:
        return QStringLiteral("bracketleft");
    case 187:
        return QStringLiteral("semicolon");
    case 186:
        return QStringLiteral("colon");
    case 221:
        return QStringLiteral("bracketright");
    case 188:
        return QStringLiteral("comma");
    case 190:
        return QStringLiteral("period");
    case 191:
        return QStringLiteral("slash");
    default:
        return {};
    }
}

} // namespace

QString KeysymName(Long vk) {
    if (vk >= 112 && vk <= 123)
        return QStringLiteral("F%1").arg(vk - 111);
    if (vk >= 96 && vk <= 105)
        return QStringLiteral("KP_%1").arg(vk - 96);
    if (vk >= '0' && vk <= '9')
        return QString(QChar(char16_t(vk)));
    if (vk >= 'A' && vk <= 'Z') // the key, not the capital letter
        return QString(QChar(char16_t(vk - 'A' + 'a')));
    return NamedKey(vk);
}

QString PortalTrigger(Long modifiers, Long virtualKey) {
    const QString key = KeysymName(virtualKey);
    if (key.isEmpty())
        return {};
    QStringList parts;
    if (modifiers & ModCtrlBit)
        parts << QStringLiteral("CTRL");
    if (modifiers & ModAltBit)
        parts << QStringLiteral("ALT");
    if (modifiers & ModShiftBit)
        parts << QStringLiteral("SHIFT");
    if (modifiers & ModWinBit)
        parts << QStringLiteral("LOGO");
    parts << key;
    return parts.join(u'+');
}

QString GnomeAccelerator(Long modifiers, Long virtualKey) {
    const QString key = KeysymName(virtualKey);
    if (key.isEmpty())
        return {};
    QString text;
    if (modifiers & ModCtrlBit)
        text += QStringLiteral("<Control>");
    if (modifiers & ModAltBit)
        text += QStringLiteral("<Alt>");
    if (modifiers & ModShiftBit)
        text += QStringLiteral("<Shift>");
    if (modifiers & ModWinBit)
        text += QStringLiteral("<Super>");
    return text + key;
}

QString GnomeKeyLabel(const QString& accelerator) {
    static const QList<std::pair<QLatin1String, QString>> modifiers = {
        {QLatin1String("control"), QStringLiteral("Ctrl")},
        {QLatin1String("primary"), QStringLiteral("Ctrl")},
        {QLatin1String("ctrl"), QStringLiteral("Ctrl")},
        {QLatin1String("alt"), QStringLiteral("Alt")},
        {QLatin1String("mod1"), QStringLiteral("Alt")},
        {QLatin1String("shift"), QStringLiteral("Shift")},
        {QLatin1String("super"), QStringLiteral("Super")},
        {QLatin1String("mod4"), QStringLiteral("Super")},
        {QLatin1String("meta"), QStringLiteral("Meta")},
        {QLatin1String("hyper"), QStringLiteral("Hyper")},
    };
    QStringList parts;
    QString rest = accelerator.trimmed();
    while (rest.startsWith(u'<')) {
        const qsizetype end = rest.indexOf(u'>');
        if (end < 0)
            return {};
        const QString name = rest.mid(1, end - 1);
        rest = rest.mid(end + 1);
        for (const auto& [gnome, shown] : modifiers)
            if (name.compare(gnome, Qt::CaseInsensitive) == 0 && !parts.contains(shown))
                parts << shown;
    }
    // A bare modifier or nothing is no key.
    if (rest.isEmpty() || rest.contains(u'<'))
        return {};
    QString key = rest.replace(u'_', u' ');
    key[0] = key[0].toUpper();
    parts << key;
    return parts.join(u'+');
}

} // namespace modMain
