// The playback speed, in percent of normal.
#include "core/modMain.h"

namespace modMain {

void ApplyPitch(Long value) {
    vbmp3_setPitch(value);
    Pitch = value;
}

} // namespace modMain
