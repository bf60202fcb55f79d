// The steps of start-up, each callable on its own so tests can check them.
#pragma once

#include <functional>

namespace modMain {

// Reads the settings, then creates, sets up and shows the main window and
// creates the hidden hotkey dialog, each step once the boxes of the one
// before are answered; then runs after the last, unless the window closed.
void CreateWindows(std::function<void()> then = {});

// Start-up and the message loop; returns the loop's exit code.
int Main(int argc, char** argv);

} // namespace modMain
