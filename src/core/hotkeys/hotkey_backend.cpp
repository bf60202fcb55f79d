#include "core/hotkeys/hotkey_backend.h"

namespace modMain {

namespace {

std::unique_ptr<HotkeyBackend>& BackendSlot() {
    static std::unique_ptr<HotkeyBackend> slot;
    return slot;
}

// Where no global hotkeys exist, saying so is better than pretending.
class RefusingHotkeyBackend : public HotkeyBackend {
  public:
    bool registerHotKey(Long, Long, Long) override { return false; }
    bool unregisterHotKey(Long) override { return false; }
};

} // namespace

HotkeyBackend& hotkeyBackend() {
    auto& slot = BackendSlot();
    if (!slot)
        slot = makeRefusingHotkeyBackend();
    return *slot;
}

void setHotkeyBackend(std::unique_ptr<HotkeyBackend> backend) {
    BackendSlot() = std::move(backend);
}

std::unique_ptr<HotkeyBackend> makeRefusingHotkeyBackend() {
    return std::make_unique<RefusingHotkeyBackend>();
}

} // namespace modMain
