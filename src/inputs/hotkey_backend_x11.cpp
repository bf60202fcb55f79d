#include "inputs/hotkey_backend_x11.h"

#include "core/hotkeys/keylist.h"
#include "core/log.h"
#include "inputs/keysyms_x11.h"
#include "inputs/platform_hotkeys.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QtGui/qguiapplication_platform.h>
#include <X11/keysym.h>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <xcb/xcb_keysyms.h>

namespace modMain {

namespace {

// Shift to Mod5: the key modifiers of an event's state, without the buttons.
constexpr std::uint16_t KeyModifierBits = 0xFF;

// The key file's modifier bits as X modifiers; nothing for bits X has no
// counterpart for.
std::optional<std::uint16_t> XModifiers(Long modifiers) {
    if (modifiers & ~(ModAltBit | ModCtrlBit | ModShiftBit | ModWinBit))
        return std::nullopt;
    std::uint16_t mask = 0;
    if (modifiers & ModAltBit)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & ModCtrlBit)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & ModShiftBit)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & ModWinBit)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

xcb_window_t RootOfScreen(xcb_connection_t* connection, int screenNumber) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    xcb_window_t first = XCB_NONE;
    for (int i = 0; it.rem > 0; ++i, xcb_screen_next(&it)) {
        if (first == XCB_NONE)
            first = it.data->root;
        if (i == screenNumber)
            return it.data->root;
    }
    return first;
}

} // namespace

X11HotkeyBackend::X11HotkeyBackend(xcb_connection_t* connection, int screenNumber)
    : connection_(connection), root_(RootOfScreen(connection, screenNumber)),
      symbols_(xcb_key_symbols_alloc(connection)) {
    numLock_ = findNumLockMask();
}

X11HotkeyBackend::~X11HotkeyBackend() {
    // After the application has gone its connection has gone too, and the
    // server dropped the grabs with it.
    if (QCoreApplication::instance()) {
        for (const Grab& g : grabs_)
            for (std::uint8_t keycode : g.keycodes)
                ungrab(keycode, g.masks);
        xcb_flush(connection_);
    }
    if (symbols_)
        xcb_key_symbols_free(symbols_);
}

std::vector<std::uint8_t> X11HotkeyBackend::keycodesFor(Long virtualKey) {
    const auto wanted = x11keys::KeyForVirtualKey(virtualKey);
    if (!wanted || !symbols_)
        return {};
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    return x11keys::KeycodesFor(*wanted, setup->min_keycode, setup->max_keycode,
                                [this](x11keys::Keycode keycode, int column) {
                                    return xcb_key_symbols_get_keysym(symbols_, keycode, column);
                                });
}

std::uint16_t X11HotkeyBackend::findNumLockMask() {
    std::uint16_t mask = 0;
    std::unique_ptr<xcb_keycode_t, decltype(&std::free)> numLockKeys(
        symbols_ ? xcb_key_symbols_get_keycode(symbols_, XK_Num_Lock) : nullptr, &std::free);
    std::unique_ptr<xcb_get_modifier_mapping_reply_t, decltype(&std::free)> reply(
        xcb_get_modifier_mapping_reply(connection_, xcb_get_modifier_mapping(connection_), nullptr),
        &std::free);
    if (!numLockKeys || !reply)
        return 0;
    const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t keycode = keycodes[modifier * perModifier + i];
            for (const xcb_keycode_t* k = numLockKeys.get(); *k != XCB_NO_SYMBOL; ++k)
                if (keycode != 0 && keycode == *k)
                    mask |= static_cast<std::uint16_t>(1u << modifier);
        }
    }
    return mask;
}

std::vector<std::uint16_t> X11HotkeyBackend::lockVariants(std::uint16_t modifiers) const {
    const std::uint16_t numLock = numLock_;
    std::vector<std::uint16_t> variants;
    for (std::uint16_t extra : {std::uint16_t(0), std::uint16_t(XCB_MOD_MASK_LOCK), numLock,
                                std::uint16_t(XCB_MOD_MASK_LOCK | numLock)}) {
        const auto mask = static_cast<std::uint16_t>(modifiers | extra);
        if (std::find(variants.begin(), variants.end(), mask) == variants.end())
            variants.push_back(mask);
    }
    return variants;
}

bool X11HotkeyBackend::grab(std::uint8_t keycode, const std::vector<std::uint16_t>& masks) {
    std::vector<xcb_void_cookie_t> cookies;
    for (std::uint16_t mask : masks)
        // Not owner_events: the press goes to the root window even when one of
        // this program's own windows has the focus.
        cookies.push_back(xcb_grab_key_checked(connection_, 0, root_, mask, keycode,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    bool ok = true;
    for (xcb_void_cookie_t cookie : cookies) {
        // Waits for the server's answer: BadAccess when another client holds it.
        if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
            if (ok)
                qCWarning(lcHotkeys)
                    << "X refused the grab of keycode" << keycode << "modifiers" << Qt::hex
                    << masks.front() << Qt::dec << "with error code" << error->error_code;
            ok = false;
            std::free(error);
        }
    }
    if (!ok)
        ungrab(keycode, masks);
    return ok;
}

void X11HotkeyBackend::ungrab(std::uint8_t keycode, const std::vector<std::uint16_t>& masks) {
    // Ungrabbing touches only this client's grabs, so variants another client
    // holds stay as they are.
    for (std::uint16_t mask : masks)
        xcb_ungrab_key(connection_, keycode, root_, mask);
}

bool X11HotkeyBackend::registerHotKey(Long id, Long modifiers, Long virtualKey) {
    const auto mask = XModifiers(modifiers);
    if (!mask || root_ == XCB_NONE) {
        qCWarning(lcHotkeys) << "no X modifiers or root window for modifiers" << modifiers;
        return false;
    }
    const std::vector<std::uint8_t> keycodes = keycodesFor(virtualKey);
    if (keycodes.empty()) {
        qCWarning(lcHotkeys) << "this keyboard has no key for virtual key" << virtualKey;
        return false;
    }
    // A second grab of this client's own would silently replace the first.
    for (const Grab& g : grabs_) {
        if (g.modifiers != *mask)
            continue;
        for (std::uint8_t keycode : keycodes)
            if (std::find(g.keycodes.begin(), g.keycodes.end(), keycode) != g.keycodes.end()) {
                qCDebug(lcHotkeys) << "already held by id" << g.id << "virtual key" << virtualKey;
                return false;
            }
    }
    const std::vector<std::uint16_t> masks = lockVariants(*mask);
    std::vector<std::uint8_t> grabbed;
    for (std::uint8_t keycode : keycodes) {
        if (!grab(keycode, masks)) {
            for (std::uint8_t done : grabbed)
                ungrab(done, masks);
            xcb_flush(connection_);
            return false;
        }
        grabbed.push_back(keycode);
    }
    grabs_.push_back(Grab{id, *mask, masks, keycodes});
    return true;
}

bool X11HotkeyBackend::unregisterHotKey(Long id) {
    bool found = false;
    for (auto it = grabs_.begin(); it != grabs_.end();) {
        if (it->id != id) {
            ++it;
            continue;
        }
        for (std::uint8_t keycode : it->keycodes)
            ungrab(keycode, it->masks);
        it = grabs_.erase(it);
        found = true;
    }
    if (found)
        xcb_flush(connection_);
    return found;
}

void X11HotkeyBackend::keyPressed(std::uint8_t keycode, std::uint16_t state, std::uint32_t time) {
    if (held_.count(keycode))
        return;
    if (held_.empty())
        grabKey_ = keycode;
    held_.insert(keycode);
    const auto lastRelease = lastRelease_.find(keycode);
    if (lastRelease != lastRelease_.end() && lastRelease->second == time)
        return;
    // A new press: the release before it was a real one, even if it has not
    // settled yet.
    if (const auto fired = firedId_.find(keycode); fired != firedId_.end()) {
        const Long id = fired->second;
        firedId_.erase(fired);
        emit released(id);
    }
    const auto modifiers =
        static_cast<std::uint16_t>(state & KeyModifierBits & ~(XCB_MOD_MASK_LOCK | numLock_));
    for (const Grab& g : grabs_) {
        if (g.modifiers == modifiers &&
            std::find(g.keycodes.begin(), g.keycodes.end(), keycode) != g.keycodes.end()) {
            firedId_[keycode] = g.id;
            emit pressed(g.id);
            return;
        }
    }
}

void X11HotkeyBackend::keyReleased(std::uint8_t keycode, std::uint32_t time) {
    held_.erase(keycode);
    lastRelease_[keycode] = time;
    if (keycode == grabKey_)
        held_.clear();
    if (!firedId_.count(keycode))
        return;
    // The modifiers may already be up: the release belongs to the press that
    // fired, whatever the state says now.
    QTimer::singleShot(ReleaseSettleMs, this, [this, keycode, time] {
        const auto fired = firedId_.find(keycode);
        if (fired == firedId_.end() || lastRelease_[keycode] != time || held_.count(keycode))
            return;
        const Long id = fired->second;
        firedId_.erase(fired);
        emit released(id);
    });
}

bool X11HotkeyBackend::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || !message)
        return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7F) {
    case XCB_KEY_PRESS: {
        auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
        if (key->event == root_)
            keyPressed(key->detail, key->state, key->time);
        break;
    }
    case XCB_KEY_RELEASE: {
        auto* key = reinterpret_cast<xcb_key_release_event_t*>(event);
        if (key->event == root_)
            keyReleased(key->detail, key->time);
        break;
    }
    case XCB_MAPPING_NOTIFY:
        // Keeps the symbols and the Num Lock modifier current for later
        // registrations.
        if (symbols_)
            xcb_refresh_keyboard_mapping(symbols_,
                                         reinterpret_cast<xcb_mapping_notify_event_t*>(event));
        numLock_ = findNumLockMask();
        break;
    default:
        break;
    }
    return false;
}

std::unique_ptr<HotkeyBackend> makePlatformHotkeyBackend() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        qCWarning(lcHotkeys) << "no global hotkeys on the" << QGuiApplication::platformName()
                             << "platform";
        return makeRefusingHotkeyBackend();
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) {
        qCWarning(lcHotkeys) << "no X connection for the hotkeys";
        return makeRefusingHotkeyBackend();
    }
    // The screen the connection was opened on, as DISPLAY names it.
    char* host = nullptr;
    int display = 0;
    int screenNumber = 0;
    if (!xcb_parse_display(nullptr, &host, &display, &screenNumber))
        screenNumber = 0;
    std::free(host);
    auto backend = std::make_unique<X11HotkeyBackend>(x11->connection(), screenNumber);
    QCoreApplication::instance()->installNativeEventFilter(backend.get());
    return backend;
}

} // namespace modMain
