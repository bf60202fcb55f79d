// Platforms without hidraw: the player runs without pedals and says so once.
#include "inputs/pedals/pedals.h"

#include "core/log.h"

namespace inputs {

void StartPedals(QObject*) {
    qCInfo(lcPedals) << "no foot pedal support on this platform";
}

} // namespace inputs
