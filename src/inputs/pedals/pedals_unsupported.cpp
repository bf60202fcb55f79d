// Platforms without hidraw: the player runs without pedals and says so once.
#include "inputs/pedals/pedals.h"

#include "core/log.h"

#include <QObject>

namespace inputs {

std::unique_ptr<QObject> StartPedals() {
    qCInfo(lcPedals) << "no foot pedal support on this platform";
    return nullptr;
}

} // namespace inputs
