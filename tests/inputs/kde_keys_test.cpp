// The key file's bindings as KDE keeps keys: every key of the dialog's list
// has a Qt key, and the text the dialog shows for KDE's keys.
#include "core/hotkeys/keylist.h"
#include "inputs/kde_keys.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace modMain;

TEST(KdeKeysTest, EveryListedKeyHasItsOwnQtKeyAndTheModifiersAreKept) {
    QSet<int> seen;
    for (int row = 1; row < KeyListCount; ++row) {
        const KeyListEntry& key = KeyList()[row];
        const int code = inputs::QtKeyOf(0, key.Code);
        EXPECT_NE(code, 0) << key.Name.toStdString();
        // The yen key and "ろ" both type a backslash; KDE sees one key.
        if (key.Code != 226) {
            EXPECT_FALSE(seen.contains(code)) << key.Name.toStdString();
        }
        seen.insert(code);
    }
    EXPECT_EQ(inputs::QtKeyOf(0, 0), 0);
    EXPECT_EQ(inputs::QtKeyOf(ModCtrlBit, 999), 0);
    EXPECT_EQ(inputs::QtKeyText(inputs::QtKeyOf(ModCtrlBit, 32)), "Ctrl+Space");
    EXPECT_EQ(
        inputs::QtKeyText(inputs::QtKeyOf(ModAltBit | ModCtrlBit | ModShiftBit | ModWinBit, 'A')),
        "Meta+Ctrl+Alt+Shift+A");
    EXPECT_EQ(inputs::QtKeyText(inputs::QtKeyOf(ModCtrlBit, 29)), "Ctrl+Muhenkan");
    EXPECT_EQ(inputs::QtKeyText(inputs::QtKeyOf(0, 96)), "Num+0");
    EXPECT_EQ(inputs::QtKeyText(0), "");
}
