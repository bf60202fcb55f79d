#include "core/hotkeys/switch_keys.h"

#include "core/hotkeys/keylist.h"
#include "core/hotkeys/shortcut_triggers.h"

#include <QMap>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

namespace modMain {

namespace {

// The keysym name of a punctuation key of the key list, which fcitx also
// accepts as the character itself ("," for "comma").
QString PunctuationName(QChar c) {
    if (c.unicode() >= 128 || !(c.isPunct() || c.isSymbol()))
        return {};
    for (const KeyListEntry& entry : KeyList())
        if (entry.Name == c)
            return KeysymName(entry.Code);
    return {};
}

// One spelling for the X name of a key: fcitx 4's "PGUP", X's "Prior" and
// "Page_Up" all become "PAGEUP".
QString NormalKeyName(const QString& name) {
    if (name.size() == 1) {
        const QString punctuation = PunctuationName(name[0]);
        if (!punctuation.isEmpty())
            return NormalKeyName(punctuation);
    }
    QString key = name.toUpper();
    key.remove(u'_');
    static const QMap<QString, QString> aliases = {
        {QStringLiteral("PRIOR"), QStringLiteral("PAGEUP")},
        {QStringLiteral("PGUP"), QStringLiteral("PAGEUP")},
        {QStringLiteral("NEXT"), QStringLiteral("PAGEDOWN")},
        {QStringLiteral("PGDN"), QStringLiteral("PAGEDOWN")},
        {QStringLiteral("HENKANMODE"), QStringLiteral("HENKAN")},
    };
    return aliases.value(key, key);
}

std::optional<SwitchKey> Named(Long modifiers, const QString& key) {
    if (key.isEmpty())
        return std::nullopt;
    return SwitchKey{modifiers, NormalKeyName(key)};
}

QList<SwitchKey> Parsed(const QStringList& texts,
                        std::optional<SwitchKey> (*parse)(const QString&)) {
    QList<SwitchKey> keys;
    for (const QString& text : texts)
        if (const std::optional<SwitchKey> key = parse(text))
            keys << *key;
    return keys;
}

// fcitx's configuration files: "[section]", "name=value" and "#" comments; a
// value with blanks or quotes in it is written in double quotes.
struct IniEntry {
    QString section;
    QString name; // empty for the section's own line
    QString value;
};

QString Unquoted(const QString& value) {
    if (value.size() < 2 || !value.startsWith(u'"') || !value.endsWith(u'"'))
        return value;
    QString out;
    for (qsizetype i = 1; i < value.size() - 1; ++i) {
        if (value[i] == u'\\' && i + 1 < value.size() - 1) {
            ++i;
            out += value[i] == u'n' ? QChar(u'\n') : value[i];
        } else {
            out += value[i];
        }
    }
    return out;
}

QList<IniEntry> IniEntries(const QByteArray& file) {
    QList<IniEntry> entries;
    QString section;
    for (const QByteArray& raw : file.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2);
            entries.append({section, {}, {}});
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0)
            entries.append(
                {section, line.left(equals).trimmed(), Unquoted(line.mid(equals + 1).trimmed())});
    }
    return entries;
}

} // namespace

std::optional<SwitchKey> ParseFcitxKey(const QString& text) {
    // fcitx finds each modifier anywhere in the text; the key follows the last.
    static const struct {
        QLatin1StringView token;
        Long bit;
    } modifiers[] = {
        {QLatin1StringView("CTRL_"), ModCtrlBit},
        {QLatin1StringView("Control+"), ModCtrlBit},
        {QLatin1StringView("ALT_"), ModAltBit},
        {QLatin1StringView("Alt+"), ModAltBit},
        {QLatin1StringView("SHIFT_"), ModShiftBit},
        {QLatin1StringView("Shift+"), ModShiftBit},
        {QLatin1StringView("SUPER_"), ModWinBit},
        {QLatin1StringView("Super+"), ModWinBit},
        {QLatin1StringView("HYPER_"), OtherModifierBit},
        {QLatin1StringView("Hyper+"), OtherModifierBit},
    };
    const QString trimmed = text.trimmed();
    Long bits = 0;
    qsizetype keyStart = 0;
    for (const auto& modifier : modifiers) {
        const qsizetype at = trimmed.indexOf(modifier.token);
        if (at < 0)
            continue;
        bits |= modifier.bit;
        keyStart = std::max(keyStart, at + modifier.token.size());
    }
    const QString key = trimmed.mid(keyStart);
    // "<65>" names a key by its code, which no binding of ours does.
    if (key.startsWith(u'<'))
        return std::nullopt;
    return Named(bits, key);
}

std::optional<SwitchKey> ParseAccelerator(const QString& text) {
    QString rest = text.trimmed();
    Long bits = 0;
    while (rest.startsWith(u'<')) {
        const qsizetype end = rest.indexOf(u'>');
        if (end < 0)
            return std::nullopt;
        const QString name = rest.mid(1, end - 1).toLower();
        rest = rest.mid(end + 1);
        if (name == u"control" || name == u"ctrl" || name == u"primary")
            bits |= ModCtrlBit;
        else if (name == u"alt" || name == u"mod1")
            bits |= ModAltBit;
        else if (name == u"shift")
            bits |= ModShiftBit;
        else if (name == u"super" || name == u"mod4")
            bits |= ModWinBit;
        else if (name != u"release") // a release is still the same key
            bits |= OtherModifierBit;
    }
    return Named(bits, rest);
}

QList<SwitchKey> Fcitx5TriggerKeys(const QByteArray& configFile) {
    // Either the line "TriggerKeys=" or a section of its own sets the list,
    // "0=", "1=" and on until a number is missing; otherwise fcitx 5 uses
    // its defaults.
    bool set = false;
    QMap<int, QString> items;
    for (const IniEntry& entry : IniEntries(configFile)) {
        if (entry.section == u"Hotkey" && entry.name == u"TriggerKeys") {
            set = true;
        } else if (entry.section == u"Hotkey/TriggerKeys") {
            set = true;
            bool number = false;
            const int index = entry.name.toInt(&number);
            if (number)
                items.insert(index, entry.value);
        }
    }
    if (!set)
        return Parsed({QStringLiteral("Control+space"), QStringLiteral("Zenkaku_Hankaku"),
                       QStringLiteral("Hangul")},
                      ParseFcitxKey);
    QStringList texts;
    for (int index = 0; items.contains(index); ++index)
        texts << items.value(index);
    return Parsed(texts, ParseFcitxKey);
}

QList<SwitchKey> Fcitx4TriggerKeys(const QByteArray& configFile) {
    QString value = QStringLiteral("CTRL_SPACE");
    for (const IniEntry& entry : IniEntries(configFile))
        if (entry.section == u"Hotkey" && entry.name == u"TriggerKey")
            value = entry.value;
    return Parsed(value.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts),
                  ParseFcitxKey);
}

QList<SwitchKey> IbusTriggerKeys(const QString& gsettingsOutput) {
    if (gsettingsOutput.trimmed().isEmpty())
        return Parsed({QStringLiteral("<Super>space")}, ParseAccelerator);
    // A GVariant string list: ['<Super>space', '<Control>space'], or "@as []".
    static const QRegularExpression quoted(QStringLiteral("'([^']*)'|\"([^\"]*)\""));
    QStringList texts;
    for (auto it = quoted.globalMatch(gsettingsOutput); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        texts << (match.hasCaptured(1) ? match.captured(1) : match.captured(2));
    }
    return Parsed(texts, ParseAccelerator);
}

std::optional<SwitchKey> SwitchKeyOf(Long modifiers, Long virtualKey) {
    return Named(modifiers, KeysymName(virtualKey));
}

} // namespace modMain
