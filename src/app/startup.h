// The steps of start-up, each callable on its own so tests can check them.
#pragma once

namespace modMain {

// Initialises the engine and gives it its options; a refusal is reported in
// a box and start-up goes on.
void InitialiseEngine();

// Reads the settings, then creates, sets up and shows the main window and
// creates the hidden hotkey dialog.
void CreateWindows();

} // namespace modMain
