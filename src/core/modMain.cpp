#include "core/modMain.h"

namespace modMain {

Long WindowLeft = 0;
Long WindowTop = 0;
Integer AlwaysOnTop = 0;
std::array<HistoryEntry, HistorySize + 1> History{};
Long Pitch = 0;
Long RevSeconds = 0;
Long RepSeconds = 0;
Long RewFFSeconds = 0;
Long RewFFSeconds2 = 0;
Integer ColourCount = 0;
std::vector<ColourEntry> Colours;
Integer PanelColour = 0;
Integer CharColour = 0;

std::array<HotkeyEntry, HotKeyCount + 1> HotKeys{};

EngineFileInfo FileInfo{};
Long CurrentSeconds = 0;
Integer RepeatOn = 0;
Long RepeatEndSeconds = 0;

} // namespace modMain
