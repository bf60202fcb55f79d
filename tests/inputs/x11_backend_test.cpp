// The X11 hotkey backend against a real X server of the test's own: grabs,
// refusals, lock keys, auto-repeat, and the way back.
#include "inputs/hotkey_backend_x11.h"
#include "support/wait.h"
#include "support/xsession.h"

#include <QElapsedTimer>
#include <QThread>
#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <memory>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

using namespace modMain;

namespace {

// One client connection to the test's display.
class Client {
  public:
    explicit Client(const QString& display)
        : connection_(xcb_connect(display.toLocal8Bit().constData(), nullptr)) {}
    ~Client() { xcb_disconnect(connection_); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool ok() const { return xcb_connection_has_error(connection_) == 0; }
    xcb_connection_t* connection() const { return connection_; }
    xcb_window_t root() const {
        return xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    }

    xcb_keycode_t keycode(xcb_keysym_t keysym) const {
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection_);
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
        const xcb_keycode_t code = codes ? codes[0] : 0;
        free(codes);
        xcb_key_symbols_free(symbols);
        return code;
    }

    // Grabs a key on the root window as another application would; true when
    // the server grants it.
    bool grab(xcb_keysym_t keysym, std::uint16_t modifiers) {
        auto cookie = xcb_grab_key_checked(connection_, 0, root(), modifiers, keycode(keysym),
                                           XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t* error = xcb_request_check(connection_, cookie);
        free(error);
        return error == nullptr;
    }
    void ungrab(xcb_keysym_t keysym, std::uint16_t modifiers) {
        xcb_ungrab_key(connection_, keycode(keysym), root(), modifiers);
        sync();
    }
    // Returns once the server has done everything asked of it so far.
    void sync() {
        free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }

  private:
    xcb_connection_t* connection_;
};

class X11BackendTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(x.ok()) << "Xvfb did not start";
        ASSERT_TRUE(client.ok());
        ASSERT_TRUE(other.ok());
        backend = std::make_unique<X11HotkeyBackend>(client.connection(), 0);
        QObject::connect(backend.get(), &HotkeyBackend::pressed, [this](Long id) { fired << id; });
        QObject::connect(backend.get(), &HotkeyBackend::released, [this](Long id) { letGo << id; });
    }

    // Hands the events that arrive within ms to the backend, as the
    // application does; returns how many key presses came to the root window.
    int pump(int ms = 300) {
        int presses = 0;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(client.connection())) {
                if ((event->response_type & 0x7F) == XCB_KEY_PRESS)
                    ++presses;
                backend->nativeEventFilter("xcb_generic_event_t", event, nullptr);
                free(event);
            }
            QThread::msleep(5);
        }
        return presses;
    }
    void key(const QString& keys) { ASSERT_TRUE(x.xdotool({"key", keys})); }

    XSession x;
    Client client{x.display()};
    Client other{x.display()};
    std::unique_ptr<X11HotkeyBackend> backend;
    QList<Long> fired;
    QList<Long> letGo;
};

// A key event as the server sends it, for the repeat patterns a server may use.
xcb_key_press_event_t keyEvent(std::uint8_t type, xcb_window_t root, xcb_keycode_t keycode,
                               std::uint16_t state, xcb_timestamp_t time) {
    xcb_key_press_event_t event{};
    event.response_type = type;
    event.detail = keycode;
    event.time = time;
    event.root = root;
    event.event = root;
    event.state = state;
    return event;
}

} // namespace

TEST_F(X11BackendTest, RegisteredCombinationFiresOnceForItsModifiersOnly) {
    ASSERT_TRUE(backend->registerHotKey(1, 2, 32));
    key("ctrl+space");
    pump();
    EXPECT_EQ(fired, QList<Long>({1}));
    fired.clear();
    key("space");
    key("ctrl+shift+space");
    key("alt+ctrl+space");
    pump();
    EXPECT_TRUE(fired.isEmpty());
}

TEST_F(X11BackendTest, ModifierBitsMapToAltCtrlShiftAndSuper) {
    ASSERT_TRUE(backend->registerHotKey(1, 1, 116));    // Alt+F5
    ASSERT_TRUE(backend->registerHotKey(2, 8, 'A'));    // Win+A
    ASSERT_TRUE(backend->registerHotKey(3, 4 | 2, 29)); // Ctrl+Shift+無変換
    ASSERT_TRUE(backend->registerHotKey(4, 15, 40));    // all four with ↓
    key("alt+F5");
    key("super+a");
    key("ctrl+shift+Muhenkan");
    key("alt+ctrl+shift+super+Down");
    pump();
    EXPECT_EQ(fired, QList<Long>({1, 2, 3, 4}));
}

TEST_F(X11BackendTest, CapsLockAndNumLockDoNotStopAHotkey) {
    ASSERT_TRUE(backend->registerHotKey(7, 2, 33));
    key("Caps_Lock");
    key("ctrl+Prior");
    key("Num_Lock");
    key("ctrl+Prior");
    key("Caps_Lock");
    key("ctrl+Prior");
    key("Num_Lock");
    pump();
    EXPECT_EQ(fired, QList<Long>({7, 7, 7}));
}

TEST_F(X11BackendTest, CombinationAnotherClientHoldsIsRefusedAndNothingIsLeftGrabbed) {
    // The other client holds only the Caps Lock variant: the plain one this
    // backend had already taken is given back.
    ASSERT_TRUE(other.grab(XK_Left, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_LOCK));
    EXPECT_FALSE(backend->registerHotKey(2, 2, 37));
    client.sync();
    EXPECT_TRUE(other.grab(XK_Left, XCB_MOD_MASK_CONTROL));
    other.ungrab(XK_Left, XCB_MOD_MASK_CONTROL);
    key("ctrl+Left");
    pump();
    EXPECT_TRUE(fired.isEmpty());
    EXPECT_FALSE(backend->unregisterHotKey(2));

    // Once the other client lets go, the combination can be had.
    other.ungrab(XK_Left, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_LOCK);
    ASSERT_TRUE(backend->registerHotKey(2, 2, 37));
    EXPECT_FALSE(other.grab(XK_Left, XCB_MOD_MASK_CONTROL));
}

TEST_F(X11BackendTest, CombinationThisProgramHoldsIsRefused) {
    ASSERT_TRUE(backend->registerHotKey(1, 2, 32));
    EXPECT_FALSE(backend->registerHotKey(5, 2, 32));
    EXPECT_FALSE(backend->registerHotKey(1, 2, 32));
    key("ctrl+space");
    pump();
    EXPECT_EQ(fired, QList<Long>({1}));
}

TEST_F(X11BackendTest, KeysAndModifiersTheKeyboardLacksAreRefused) {
    // The US layout of the server has no "ろ" key; 0 and 255 are no key at all.
    EXPECT_FALSE(backend->registerHotKey(1, 2, 226));
    EXPECT_FALSE(backend->registerHotKey(1, 2, 0));
    EXPECT_FALSE(backend->registerHotKey(1, 2, 255));
    // Only the four modifier bits mean something.
    EXPECT_FALSE(backend->registerHotKey(1, 16 | 2, 32));
    EXPECT_FALSE(backend->unregisterHotKey(1));
}

TEST_F(X11BackendTest, UnregisterGivesTheCombinationBack) {
    ASSERT_TRUE(backend->registerHotKey(3, 2, 39));
    EXPECT_FALSE(other.grab(XK_Right, XCB_MOD_MASK_CONTROL));
    EXPECT_TRUE(backend->unregisterHotKey(3));
    EXPECT_FALSE(backend->unregisterHotKey(3));
    client.sync();
    key("ctrl+Right");
    pump();
    EXPECT_TRUE(fired.isEmpty());
    EXPECT_TRUE(other.grab(XK_Right, XCB_MOD_MASK_CONTROL));
}

TEST_F(X11BackendTest, HoldingTheKeyDownFiresOnceAndItsReleaseOnce) {
    ASSERT_TRUE(backend->registerHotKey(1, 2, 32));
    ASSERT_TRUE(x.xdotool({"keydown", "ctrl+space"}));
    const int presses = pump(1500); // past the server's repeat delay
    QCoreApplication::processEvents();
    EXPECT_TRUE(letGo.isEmpty()) << "a repeat counted as a release";
    // Ctrl goes up first, as fingers do: the release is still this hotkey's.
    ASSERT_TRUE(x.xdotool({"keyup", "ctrl"}));
    ASSERT_TRUE(x.xdotool({"keyup", "space"}));
    pump();
    EXPECT_GT(presses, 2) << "the server did not repeat the held key";
    EXPECT_EQ(fired, QList<Long>({1}));
    EXPECT_TRUE(WaitUntil([this] { return !letGo.isEmpty(); }));
    EXPECT_EQ(letGo, QList<Long>({1}));
    key("ctrl+space");
    pump();
    EXPECT_EQ(fired, QList<Long>({1, 1}));
    EXPECT_TRUE(WaitUntil([this] { return letGo.size() == 2; }));
}

TEST_F(X11BackendTest, BothStylesOfServerAutoRepeatFireOnce) {
    ASSERT_TRUE(backend->registerHotKey(1, 2, 32));
    const xcb_keycode_t space = client.keycode(XK_space);
    const xcb_window_t root = client.root();
    auto send = [&](std::uint8_t type, xcb_timestamp_t time) {
        auto event = keyEvent(type, root, space, XCB_MOD_MASK_CONTROL, time);
        backend->nativeEventFilter("xcb_generic_event_t", &event, nullptr);
    };
    // Detectable auto-repeat: presses only, one release at the end.
    send(XCB_KEY_PRESS, 1000);
    send(XCB_KEY_PRESS, 1500);
    send(XCB_KEY_PRESS, 1540);
    send(XCB_KEY_RELEASE, 1600);
    EXPECT_EQ(fired, QList<Long>({1}));
    // Plain auto-repeat: release and press pairs with one timestamp.
    send(XCB_KEY_PRESS, 2000);
    send(XCB_KEY_RELEASE, 2500);
    send(XCB_KEY_PRESS, 2500);
    send(XCB_KEY_RELEASE, 2540);
    send(XCB_KEY_PRESS, 2540);
    send(XCB_KEY_RELEASE, 2600);
    EXPECT_EQ(fired, QList<Long>({1, 1}));
    // One release for each hold, whichever style the server repeats in.
    EXPECT_TRUE(WaitUntil([this] { return letGo.size() == 2; }));
    EXPECT_EQ(letGo, QList<Long>({1, 1}));
    // A key pressed while another hotkey is held whose release goes to the
    // focused window once that hotkey is let go still fires next time.
    ASSERT_TRUE(backend->registerHotKey(2, 2, 37));
    const xcb_keycode_t left = client.keycode(XK_Left);
    auto sendKey = [&](std::uint8_t type, xcb_keycode_t keycode, xcb_timestamp_t time) {
        auto event = keyEvent(type, root, keycode, XCB_MOD_MASK_CONTROL, time);
        backend->nativeEventFilter("xcb_generic_event_t", &event, nullptr);
    };
    fired.clear();
    sendKey(XCB_KEY_PRESS, space, 4000);
    sendKey(XCB_KEY_PRESS, left, 4100);
    sendKey(XCB_KEY_RELEASE, space, 4200); // ends the grab
    sendKey(XCB_KEY_PRESS, left, 5000);
    sendKey(XCB_KEY_RELEASE, left, 5100);
    EXPECT_EQ(fired, QList<Long>({1, 2, 2}));
    // Key events of other windows are not hotkeys.
    auto elsewhere = keyEvent(XCB_KEY_PRESS, root, space, XCB_MOD_MASK_CONTROL, 3000);
    elsewhere.event = root + 1;
    backend->nativeEventFilter("xcb_generic_event_t", &elsewhere, nullptr);
    EXPECT_EQ(fired, QList<Long>({1, 2, 2}));
}

TEST_F(X11BackendTest, JapaneseLayoutGivesTheYenAndRoKeysEachTheirOwnKey) {
    ASSERT_TRUE(x.run("setxkbmap", {"jp"}));
    pump(100); // the keymap change reaches the backend as the application would pass it
    ASSERT_TRUE(backend->registerHotKey(1, 2, 220));
    ASSERT_TRUE(backend->registerHotKey(2, 2, 226));
    ASSERT_TRUE(backend->registerHotKey(3, 2, 29));
    client.sync();
    auto othersGrab = [&](xcb_keycode_t keycode) {
        auto cookie =
            xcb_grab_key_checked(other.connection(), 0, other.root(), XCB_MOD_MASK_CONTROL, keycode,
                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t* error = xcb_request_check(other.connection(), cookie);
        free(error);
        return error == nullptr;
    };
    EXPECT_FALSE(othersGrab(132)); // AE13, the yen key
    EXPECT_FALSE(othersGrab(97));  // AB11, the "ろ" key
    key("ctrl+Muhenkan");
    pump();
    EXPECT_EQ(fired, QList<Long>({3}));
}

TEST_F(X11BackendTest, DestroyingTheBackendGivesEverythingBack) {
    ASSERT_TRUE(backend->registerHotKey(1, 2, 32));
    ASSERT_TRUE(backend->registerHotKey(2, 2, 37));
    backend.reset();
    client.sync();
    EXPECT_TRUE(other.grab(XK_space, XCB_MOD_MASK_CONTROL));
    EXPECT_TRUE(other.grab(XK_Left, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_LOCK));
}
