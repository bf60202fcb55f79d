// Every key of the key list has an X symbol, and the keyboards it is made for
// have a key for it: a US layout for the common keys, a Japanese layout for all.
#include "core/hotkeys/keylist.h"
#include "inputs/keysyms_x11.h"
#include "support/xsession.h"

#include <QSet>
#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

using namespace modMain;
using namespace modMain::x11keys;

namespace {

// The keymap a running server shows through the core protocol.
class ServerKeymap {
  public:
    explicit ServerKeymap(const QString& display)
        : connection_(xcb_connect(display.toLocal8Bit().constData(), nullptr)),
          symbols_(xcb_key_symbols_alloc(connection_)) {}
    ~ServerKeymap() {
        xcb_key_symbols_free(symbols_);
        xcb_disconnect(connection_);
    }
    bool ok() const { return xcb_connection_has_error(connection_) == 0; }
    Keycode minKeycode() const { return xcb_get_setup(connection_)->min_keycode; }
    Keycode maxKeycode() const { return xcb_get_setup(connection_)->max_keycode; }
    KeymapLookup lookup() const {
        return [this](Keycode keycode, int column) {
            return xcb_key_symbols_get_keysym(symbols_, keycode, column);
        };
    }

  private:
    xcb_connection_t* connection_;
    xcb_key_symbols_t* symbols_;
};

std::map<int, std::vector<Keycode>> resolveAll(const ServerKeymap& keymap) {
    std::map<int, std::vector<Keycode>> out;
    for (int row = 1; row < KeyListCount; ++row) {
        const auto wanted = KeyForVirtualKey(KeyList()[row].Code);
        if (wanted)
            out[row] =
                KeycodesFor(*wanted, keymap.minKeycode(), keymap.maxKeycode(), keymap.lookup());
    }
    return out;
}

// On a Japanese keyboard every row is a key of its own, where the layout puts it.
void expectJapaneseKeys(const std::map<int, std::vector<Keycode>>& keys) {
    QSet<Keycode> used;
    for (int row = 1; row < KeyListCount; ++row) {
        SCOPED_TRACE(KeyList()[row].Name.toStdString());
        ASSERT_EQ(keys.at(row).size(), 1u);
        used.insert(keys.at(row).front());
    }
    EXPECT_EQ(used.size(), KeyListCount - 1);
    // Evdev key codes: 無変換 MUHE, 変換 HENK, カタカナひらがな HKTG, the yen key
    // AE13, "ろ" AB11, and the OEM keys of the JIS rows.
    const std::map<int, Keycode> expected = {
        {14, 102}, {16, 100}, {17, 101}, {79, 132}, {88, 97}, {77, 20},  {78, 21},
        {80, 34},  {81, 35},  {82, 47},  {83, 48},  {84, 51}, {85, 59},  {86, 60},
        {87, 61},  {15, 65},  {22, 113}, {26, 90},  {40, 91}, {36, 106},
    };
    for (const auto& [row, keycode] : expected)
        EXPECT_EQ(keys.at(row).front(), keycode) << KeyList()[row].Name.toStdString();
}

} // namespace

TEST(Keysyms, EveryKeyListRowHasAnXSymbol) {
    EXPECT_FALSE(KeyForVirtualKey(0).has_value());
    for (int row = 1; row < KeyListCount; ++row) {
        const auto wanted = KeyForVirtualKey(KeyList()[row].Code);
        ASSERT_TRUE(wanted.has_value()) << KeyList()[row].Name.toStdString();
        EXPECT_NE(wanted->keysym, 0u);
    }
    EXPECT_EQ(KeyForVirtualKey(29)->keysym, static_cast<Keysym>(XK_Muhenkan));
    EXPECT_EQ(KeyForVirtualKey(28)->keysym, static_cast<Keysym>(XK_Henkan));
    EXPECT_EQ(KeyForVirtualKey(242)->keysym, static_cast<Keysym>(XK_Hiragana_Katakana));
    EXPECT_EQ(KeyForVirtualKey('A')->keysym, static_cast<Keysym>(XK_a));
    EXPECT_EQ(KeyForVirtualKey(96)->keysym, static_cast<Keysym>(XK_KP_0));
    EXPECT_FALSE(KeyForVirtualKey(255).has_value());
}

TEST(Keysyms, UsLayoutOfARunningServerHasEveryKeyButTheJapaneseOnes) {
    XSession x;
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    ASSERT_TRUE(x.run("setxkbmap", {"us"}));
    ServerKeymap keymap(x.display());
    ASSERT_TRUE(keymap.ok());
    const auto keys = resolveAll(keymap);
    for (int row = 1; row < KeyListCount; ++row) {
        SCOPED_TRACE(KeyList()[row].Name.toStdString());
        // Only the "ろ" key is missing; ":" "@" "^" are typed with Shift there.
        EXPECT_EQ(keys.at(row).empty(), row == 88);
    }
    EXPECT_EQ(keys.at(15), std::vector<Keycode>{65});  // Space
    EXPECT_EQ(keys.at(22), std::vector<Keycode>{113}); // ←
    EXPECT_EQ(keys.at(14), std::vector<Keycode>{102}); // 無変換
    EXPECT_EQ(keys.at(79), std::vector<Keycode>{51});  // the backslash key
    EXPECT_EQ(keys.at(26), std::vector<Keycode>{90});  // Num0, the keypad's Insert key
    EXPECT_EQ(keys.at(40), std::vector<Keycode>{91});  // Num., not the keypad comma
}

TEST(Keysyms, JapaneseLayoutHasAKeyForEveryRow) {
    XSession x;
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    x.run("setxkbmap", {"jp"});
    ServerKeymap server(x.display());
    ASSERT_TRUE(server.ok());
    // The server keeps the layout only while it does not reset between clients.
    ASSERT_EQ(server.lookup()(97, 0), static_cast<Keysym>(XK_backslash))
        << "the X server did not take setxkbmap jp";
    expectJapaneseKeys(resolveAll(server));
}
