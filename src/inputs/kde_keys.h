// A binding of the key file as KDE's kglobalaccel keeps keys: one Qt key code
// with its modifiers (Qt::CTRL | Qt::Key_Space), four of them a sequence.
#pragma once

#include "core/modMain.h"

#include <QDBusArgument>
#include <QList>
#include <QString>

namespace inputs {

// One key sequence on kglobalaccel's bus, (ai): up to four Qt key codes.
struct KdeKeySequence {
    QList<int> keys;
};
using KdeKeySequences = QList<KdeKeySequence>;

QDBusArgument& operator<<(QDBusArgument& argument, const KdeKeySequence& sequence);
const QDBusArgument& operator>>(const QDBusArgument& argument, KdeKeySequence& sequence);
void RegisterKdeKeyTypes();

// The keys out of a message argument; empty when it holds none.
KdeKeySequences KdeKeysOf(const QVariant& value);
// The first key of the first sequence that has one; 0 for none.
int FirstKdeKey(const KdeKeySequences& sequences);

// The key file's modifier bits and virtual-key code as one Qt key code; 0
// when the key is not one of KeyList's.
int QtKeyOf(modMain::Long modifiers, modMain::Long virtualKey);

// How the dialog shows a key KDE reports: "Ctrl+Space"; empty for 0.
QString QtKeyText(int key);

} // namespace inputs

Q_DECLARE_METATYPE(inputs::KdeKeySequence)
