#include "inputs/kde_keys.h"

#include "core/hotkeys/keylist.h"

#include <QDBusMetaType>
#include <QKeySequence>

namespace inputs {

namespace {

// A key of the keypad: the plain key with the keypad modifier.
int Keypad(int key) {
    return int(Qt::KeypadModifier) | key;
}

int QtKeyOf(modMain::Long vk) {
    if (vk >= 'A' && vk <= 'Z')
        return Qt::Key_A + (vk - 'A');
    if (vk >= '0' && vk <= '9')
        return Qt::Key_0 + (vk - '0');
    if (vk >= 112 && vk <= 123)
        return Qt::Key_F1 + (vk - 112);
    if (vk >= 96 && vk <= 105)
        return Keypad(Qt::Key_0 + (vk - 96));
    switch (vk) {
    case 106:
        return Keypad(Qt::Key_Asterisk);
    case 107:
        return Keypad(Qt::Key_Plus);
    case 109:
        return Keypad(Qt::Key_Minus);
    case 110:
        return Keypad(Qt::Key_Period);
    case 111:
        return Keypad(Qt::Key_Slash);
    case 27:
        return Qt::Key_Escape;
    case 29:
        return Qt::Key_Muhenkan;
    case 32:
        return Qt::Key_Space;
    case 28:
        return Qt::Key_Henkan;
    case 242:
        return Qt::Key_Hiragana_Katakana;
    case 36:
        return Qt::Key_Home;
    case 35:
        return Qt::Key_End;
    case 33:
        return Qt::Key_PageUp;
    case 34:
        return Qt::Key_PageDown;
    case 37:
        return Qt::Key_Left;
    case 38:
        return Qt::Key_Up;
    case 39:
        return Qt::Key_Right;
    case 40:
        return Qt::Key_Down;
    // The OEM keys of the JIS layout, by the symbol they type.
    case 189:
        return Qt::Key_Minus;
    case 222:
        return Qt::Key_AsciiCircum;
    case 220: // yen key
    case 226: // "ろ" key
        return Qt::Key_Backslash;
    case 192:
        return Qt::Key_At;
    case 219:
        return Qt::Key_BracketLeft;
    case 187:
        return Qt::Key_Semicolon;
    case 186:
        return Qt::Key_Colon;
    case 221:
        return Qt::Key_BracketRight;
    case 188:
        return Qt::Key_Comma;
    case 190:
        return Qt::Key_Period;
    case 191:
        return Qt::Key_Slash;
    default:
        return 0;
    }
}

} // namespace

int QtKeyOf(modMain::Long modifiers, modMain::Long virtualKey) {
    const int key = QtKeyOf(virtualKey);
    if (key == 0)
        return 0;
    int combined = key;
    if (modifiers & modMain::ModCtrlBit)
        combined |= Qt::ControlModifier;
    if (modifiers & modMain::ModAltBit)
        combined |= Qt::AltModifier;
    if (modifiers & modMain::ModShiftBit)
        combined |= Qt::ShiftModifier;
    if (modifiers & modMain::ModWinBit)
        combined |= Qt::MetaModifier;
    return combined;
}

QDBusArgument& operator<<(QDBusArgument& argument, const KdeKeySequence& sequence) {
    QList<int> keys = sequence.keys;
    keys.resize(4, 0);
    argument.beginStructure();
    argument << keys;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, KdeKeySequence& sequence) {
    argument.beginStructure();
    argument >> sequence.keys;
    argument.endStructure();
    return argument;
}

void RegisterKdeKeyTypes() {
    qDBusRegisterMetaType<KdeKeySequence>();
    qDBusRegisterMetaType<KdeKeySequences>();
}

KdeKeySequences KdeKeysOf(const QVariant& value) {
    if (value.canConvert<QDBusArgument>()) {
        const QDBusArgument argument = value.value<QDBusArgument>();
        if (argument.currentSignature() == QLatin1String("a(ai)"))
            return qdbus_cast<KdeKeySequences>(argument);
        return {};
    }
    return value.value<KdeKeySequences>();
}

int FirstKdeKey(const KdeKeySequences& sequences) {
    for (const KdeKeySequence& sequence : sequences)
        if (!sequence.keys.isEmpty() && sequence.keys.first() != 0)
            return sequence.keys.first();
    return 0;
}

QString QtKeyText(int key) {
    return key == 0 ? QString() : QKeySequence(key).toString(QKeySequence::PortableText);
}

} // namespace inputs
