// The Windows volume mixer, found by the usual program search; newer
// Windows versions name it sndvol.exe.
#include "mainwindow/volume_mixer.h"

namespace modMain {

std::vector<MixerCommand> DesktopMixers() {
    return {{"sndvol.exe", {}}, {"sndvol32.exe", {}}};
}

QString MixerStartupId() {
    return {};
}

} // namespace modMain
