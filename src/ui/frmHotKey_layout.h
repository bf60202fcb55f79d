// The heights of the hotkey dialog: the design's, and the rows added below
// it for the desktop's controls and the input method's note.
#pragma once

namespace modMain {

constexpr int HotKeyDialogHeightTwips = 6180;
// The room below the close button the desktop's controls take.
constexpr int DesktopRowsTwips = 900;
// The room the input method's note takes below them: two lines.
constexpr int NoteRowsTwips = 540;

} // namespace modMain
