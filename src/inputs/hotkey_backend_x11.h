// Global hotkeys on X11: a passive key grab on the root window for each
// combination, in every Caps Lock / Num Lock state, checked with the server
// before it counts as registered.
#pragma once

#include "core/hotkeys/hotkey_backend.h"

#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <map>
#include <set>
#include <vector>
#include <xcb/xcb.h>

typedef struct _XCBKeySymbols xcb_key_symbols_t;

namespace modMain {

class X11HotkeyBackend : public HotkeyBackend, public QAbstractNativeEventFilter {
  public:
    // Works on the connection's screen screenNumber; the connection stays the
    // caller's. Events reach the backend through nativeEventFilter, which the
    // application calls once the backend is installed as its filter.
    X11HotkeyBackend(xcb_connection_t* connection, int screenNumber);
    ~X11HotkeyBackend() override;

    bool registerHotKey(Long id, Long modifiers, Long virtualKey) override;
    bool unregisterHotKey(Long id) override;

    // Takes key events on the root window; never consumes an event.
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  private:
    struct Grab {
        Long id;
        std::uint16_t modifiers;          // X modifier mask
        std::vector<std::uint16_t> masks; // modifiers in each lock state
        std::vector<std::uint8_t> keycodes;
    };

    std::vector<std::uint8_t> keycodesFor(Long virtualKey);
    std::uint16_t findNumLockMask();
    // The masks a combination is grabbed with: as it is, with Caps Lock, with
    // Num Lock and with both.
    std::vector<std::uint16_t> lockVariants(std::uint16_t modifiers) const;
    bool grab(std::uint8_t keycode, const std::vector<std::uint16_t>& masks);
    void ungrab(std::uint8_t keycode, const std::vector<std::uint16_t>& masks);
    void keyPressed(std::uint8_t keycode, std::uint16_t state, std::uint32_t time);
    void keyReleased(std::uint8_t keycode, std::uint32_t time);

    xcb_connection_t* connection_;
    xcb_window_t root_ = XCB_NONE;
    xcb_key_symbols_t* symbols_ = nullptr;
    std::uint16_t numLock_ = 0;
    std::vector<Grab> grabs_;
    // Auto-repeat: a key held down fires once, whether the server repeats it
    // as further presses or as release and press pairs with one timestamp.
    // Key events reach the root window only while a grab is active; the grab
    // ends with the release of the key that started it, so the keys held are
    // forgotten then, also those whose release will go to another window.
    std::set<std::uint8_t> held_;
    std::uint8_t grabKey_ = 0;
    std::map<std::uint8_t, std::uint32_t> lastRelease_;
    // The id each key's press fired, until its real release. The server may
    // repeat a held key as a release and a press with one timestamp (Xvfb and
    // Xorg without detectable auto-repeat do), so a release counts only once
    // no such press has followed it within ReleaseSettleMs.
    std::map<std::uint8_t, Long> firedId_;
    static constexpr int ReleaseSettleMs = 30;
};

} // namespace modMain
