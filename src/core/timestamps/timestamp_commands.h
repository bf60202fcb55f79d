// The commands that write and read timestamps.
#pragma once

namespace modMain {

// The position (the pause point while paused, the present one while
// playing) in the timestamp format, to the clipboard and the selection.
void CopyTime();
// The same text typed into the window the user works in.
void InsertTime();
// Jumps to the first time in the selected text, or failing that in the
// clipboard, less the timestamp offset. Ignored in repeat mode, as a seek
// from the seek bar is; a text without a time changes nothing.
void SeekToSelection();

} // namespace modMain
