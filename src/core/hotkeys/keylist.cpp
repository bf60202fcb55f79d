#include "core/hotkeys/keylist.h"

#include "core/hotkeys/timestamp_key.h"

namespace modMain {

namespace {

std::array<KeyListEntry, KeyListCount> BuildKeyList() {
    std::array<KeyListEntry, KeyListCount> list;
    int row = 0;
    auto add = [&](const QString& name, Long code) { list[row++] = {name, code}; };
    add(DisabledKeyText, 0);
    add(QStringLiteral("Esc"), 27);
    for (int f = 1; f <= 12; ++f)
        add(QStringLiteral("F%1").arg(f), 111 + f);
    add(QStringLiteral("無変換"), 29);
    add(QStringLiteral("Space"), 32);
    add(QStringLiteral("変換"), 28);
    add(QStringLiteral("カタカナひらがな"), 242);
    add(QStringLiteral("Home"), 36);
    add(QStringLiteral("End"), 35);
    add(QStringLiteral("PageUp"), 33);
    add(QStringLiteral("PageDown"), 34);
    add(QStringLiteral("←"), 37);
    add(QStringLiteral("↑"), 38);
    add(QStringLiteral("→"), 39);
    add(QStringLiteral("↓"), 40);
    for (int n = 0; n <= 9; ++n)
        add(QStringLiteral("Num%1").arg(n), 96 + n);
    add(QStringLiteral("Num/"), 111);
    add(QStringLiteral("Num*"), 106);
    add(QStringLiteral("Num-"), 109);
    add(QStringLiteral("Num+"), 107);
    add(QStringLiteral("Num."), 110);
    for (int d = 1; d <= 9; ++d)
        add(QString::number(d), 48 + d);
    add(QStringLiteral("0"), 48);
    for (char c = 'A'; c <= 'Z'; ++c)
        add(QString(QChar(c)), c);
    add(QStringLiteral("-"), 189);
    add(QStringLiteral("^"), 222);
    add(QStringLiteral("\\"), 220);
    add(QStringLiteral("@"), 192);
    add(QStringLiteral("["), 219);
    add(QStringLiteral(";"), 187);
    add(QStringLiteral(":"), 186);
    add(QStringLiteral("]"), 221);
    add(QStringLiteral(","), 188);
    add(QStringLiteral("."), 190);
    add(QStringLiteral("/"), 191);
    add(QStringLiteral("ろ"), 226);
    Q_ASSERT(row == KeyListCount);
    return list;
}

} // namespace

const std::array<KeyListEntry, KeyListCount>& KeyList() {
    static const std::array<KeyListEntry, KeyListCount> list = BuildKeyList();
    return list;
}

QString CommandLabel(int record) {
    static const char* const names[CommandCount] = {"Listen",  "REW",       "FF",       "Repeat",
                                                    "PitchUp", "PitchDown", "SetStart", "SetEnd"};
    if (record == TimeStampRecord)
        return QStringLiteral("TimeStamp :");
    if (record == InsertTimeRecord)
        return QStringLiteral("InsertTime:");
    if (record == SeekToSelectionRecord)
        return QStringLiteral("JumpToTime:");
    if (record < 1 || record > CommandCount)
        return {};
    return QString::fromLatin1(names[record - 1]).leftJustified(10, u' ') + u':';
}

QString MakeKeyText(bool alt, bool ctrl, bool shift, bool win, const QString& keyName) {
    QString text;
    if (alt)
        text += QStringLiteral("[Alt]+");
    if (ctrl)
        text += QStringLiteral("[Ctrl]+");
    if (shift)
        text += QStringLiteral("[Shift]+");
    if (win)
        text += QStringLiteral("[Win]+");
    return text + u'[' + keyName + u']';
}

Long ModifiersOf(const HotkeyEntry& entry) {
    return entry.ModWin | entry.ModShift | entry.ModCtrl | entry.ModAlt;
}

} // namespace modMain
