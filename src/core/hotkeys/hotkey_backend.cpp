#include "core/hotkeys/hotkey_backend.h"

namespace modMain {

namespace {

// Where no global hotkeys exist, saying so is better than pretending.
class RefusingHotkeyBackend : public HotkeyBackend {
  public:
    bool registerHotKey(Long, Long, Long) override { return false; }
    bool unregisterHotKey(Long) override { return false; }
};

std::unique_ptr<HotkeyBackend> installedBackend;

} // namespace

HotkeyBackend& hotkeyBackend() {
    // Takes nothing and keeps nothing, so one serves every caller.
    static RefusingHotkeyBackend refusing;
    return installedBackend ? *installedBackend : refusing;
}

void setHotkeyBackend(std::unique_ptr<HotkeyBackend> backend) {
    installedBackend = std::move(backend);
}

std::unique_ptr<HotkeyBackend> makeRefusingHotkeyBackend() {
    return std::make_unique<RefusingHotkeyBackend>();
}

} // namespace modMain
