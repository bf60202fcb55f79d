// Hold to play: one hotkey of records 1 to 8 (usually play/pause, or the key
// a keyboard-like foot pedal sends) plays while it is held and pauses when it
// is let go, instead of running its own command. Kept in the extra settings
// file as "hotkey.hold-to-play=<the record's command name>".
#pragma once

namespace modMain {

// The record that holds to play; 0 when none does.
int HoldToPlayRecord();
void SetHoldToPlayRecord(int record);

// From the extra settings already read; an unknown value means none.
void LoadHoldToPlay();
// Into the extra settings, and the file written.
void SaveHoldToPlay();

} // namespace modMain
