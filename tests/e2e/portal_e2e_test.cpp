// The real player in a Wayland session (WAYLAND_DISPLAY set, its window on
// XWayland, here Xvfb) with a desktop portal on a private session bus: it
// takes its hotkeys from the portal and grabs no keys on the X server.
#include "support/fake_portal.h"
#include "support/settings_text.h"
#include "support/wait.h"
#include "support/xsession.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace {

// Another X client trying to hold Ctrl+Space in every lock state, as a
// desktop's hotkey daemon does; true when the server grants it.
bool otherClientGrabsCtrlSpace(const QString& display) {
    xcb_connection_t* c = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return false;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(c);
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, XK_space);
    const xcb_keycode_t space = codes ? codes[0] : 0;
    free(codes);
    xcb_key_symbols_free(symbols);
    bool granted = space != 0;
    for (uint16_t lock : std::initializer_list<uint16_t>{0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                                         XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2}) {
        const auto cookie = xcb_grab_key_checked(c, 0, root, XCB_MOD_MASK_CONTROL | lock, space,
                                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t* error = xcb_request_check(c, cookie)) {
            granted = false;
            free(error);
        }
    }
    xcb_disconnect(c);
    return granted;
}

class PortalE2E : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(PrepareRun(x, sound, player));
        ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
        QProcessEnvironment& env = player.environment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
        // A Wayland session: the player picks XWayland (xcb) by itself.
        env.insert("WAYLAND_DISPLAY", "wayland-memotap-test");
        env.insert("XDG_SESSION_TYPE", "wayland");
        env.remove("QT_QPA_PLATFORM");
        env.remove("XDG_CURRENT_DESKTOP");
    }
    std::optional<QString> playbackStatus() const { return bus.playbackStatus(); }

    XSession x;
    SoundServer sound;
    PrivateBus bus;
    FakePortal portal{bus.address()};
    PlayerRun player{x};
};

TEST_F(PortalE2E, ShortcutsComeFromThePortalAndNoKeyIsGrabbed) {
    const QString tone = player.path("録音.wav");
    ASSERT_TRUE(MakeToneWav(tone, 30));
    player.writeFile("hMEMOTAP.txt", settings({entry(tone, 0)}));
    player.start();
    // The portal answers from this process's event loop.
    ASSERT_TRUE(WaitUntil([&] { return portal.lastBound.size() == 8; }, 30000))
        << portal.calls.join(' ').toStdString();
    EXPECT_EQ(portal.registeredIds, QStringList{MEMOTAP_APP_ID});
    const std::optional<QString> window = x.waitForWindow("^録音\\.wav - メモタップ$");
    ASSERT_TRUE(window);
    ASSERT_TRUE(WaitUntil([&] { return playbackStatus() == "Paused"; }, 15000));

    EXPECT_TRUE(otherClientGrabsCtrlSpace(x.display())) << "the player holds an X grab";

    portal.activate("play-pause");
    EXPECT_TRUE(WaitUntil([&] { return playbackStatus() == "Playing"; }, 15000));
    portal.activate("play-pause");
    EXPECT_TRUE(WaitUntil([&] { return playbackStatus() == "Paused"; }, 15000));

    // The portal going away and coming back: the player runs on and binds again.
    portal.lastBound.clear();
    portal.vanish();
    ASSERT_TRUE(portal.appear());
    ASSERT_TRUE(WaitUntil([&] { return portal.lastBound.size() == 8; }, 15000));
    ASSERT_TRUE(WaitUntil([&] { return !portal.session().isEmpty(); }));
    // The desktop's dialog would belong to the player's window as it is now.
    EXPECT_EQ(portal.lastParentWindow, "x11:" + QString::number(window->toULongLong(), 16))
        << x.run("xwininfo", {"-root", "-tree"}).value_or("").toStdString();
    portal.activate("play-pause");
    EXPECT_TRUE(WaitUntil([&] { return playbackStatus() == "Playing"; }, 15000));
    player.terminate();
    EXPECT_EQ(player.waitForExit(0), 0);
}

} // namespace
