// The services the player's composition root creates and hands to the core.
#pragma once

#include <QtGlobal>

namespace modMain {

// The service in slot. Reaching one before it is handed over is a fault of
// the caller's set-up, said at once rather than found later as a crash.
template <typename Service> Service& Installed(Service* slot, const char* name) {
    if (!slot)
        qFatal("%s reached while none is handed over", name);
    return *slot;
}

} // namespace modMain
