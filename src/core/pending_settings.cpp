// Pending: the settings file.
#include "core/modMain.h"

namespace modMain {
QString AppPath() { return {}; }
void LoadSettings() {}
void SaveSettings() {}
std::vector<ColourEntry> DefaultColours() { return {}; }
} // namespace modMain
