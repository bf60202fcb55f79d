// Platforms without the session bus's input methods: none runs.
#include "inputs/input_method_check.h"

#include "core/hotkeys/input_method.h"

namespace inputs {

void StartInputMethodCheck(QObject*) {
    modMain::SetRunningInputMethod(std::nullopt);
}

} // namespace inputs
