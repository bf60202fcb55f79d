#include "support/fake_hotkey_backend.h"

#include <memory>

using modMain::Long;

FakeHotkeyBackend& FakeHotkeyBackend::install() {
    auto fake = std::make_unique<FakeHotkeyBackend>();
    FakeHotkeyBackend& ref = *fake;
    modMain::setHotkeyBackend(std::move(fake));
    return ref;
}

bool FakeHotkeyBackend::registerHotKey(Long id, Long modifiers, Long virtualKey) {
    const Combination combination{modifiers, virtualKey};
    bool ok = !heldElsewhere.count(combination);
    for (const auto& [heldId, heldCombination] : held)
        if (heldCombination == combination)
            ok = false;
    if (ok)
        held.emplace(id, combination);
    calls << QString("register(%1,%2,%3)=%4").arg(id).arg(modifiers).arg(virtualKey).arg(ok);
    return ok;
}

bool FakeHotkeyBackend::unregisterHotKey(Long id) {
    const bool ok = held.erase(id) > 0;
    calls << QString("unregister(%1)=%2").arg(id).arg(ok);
    return ok;
}

QStringList FakeHotkeyBackend::take() {
    QStringList out = calls;
    calls.clear();
    return out;
}

bool FakeHotkeyBackend::press(Long modifiers, Long virtualKey) {
    for (const auto& [id, combination] : held) {
        if (combination == Combination{modifiers, virtualKey}) {
            emit pressed(id);
            return true;
        }
    }
    return false;
}

std::set<FakeHotkeyBackend::Combination> FakeHotkeyBackend::combinationsOf(Long id) const {
    std::set<Combination> out;
    const auto [from, to] = held.equal_range(id);
    for (auto it = from; it != to; ++it)
        out.insert(it->second);
    return out;
}
