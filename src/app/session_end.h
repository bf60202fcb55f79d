// Runs the player's normal close when the session ends under it: a
// termination signal or the desktop's log-out.
#pragma once

#include <functional>

void InstallSessionEndHandler(std::function<void()> closeRequested);
