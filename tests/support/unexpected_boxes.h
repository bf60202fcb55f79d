// A message box that no test expects must not hang the run waiting for a
// user: it fails the test and is answered at once.
#pragma once

void InstallUnexpectedBoxGuard();
