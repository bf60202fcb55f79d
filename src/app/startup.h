// The steps of start-up, each callable on its own so tests can check them.
#pragma once

namespace modMain {

// Reads the settings, then creates, sets up and shows the main window and
// creates the hidden hotkey dialog.
void CreateWindows();

// Start-up and the message loop; returns the loop's exit code.
int Main(int argc, char** argv);

} // namespace modMain
