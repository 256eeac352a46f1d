#pragma once

// The program's window side, as main() sees it: whether there is a display to
// open windows on, and running the main window until it closes. The console
// side lives in TCommandLine.

#include <vector>

#include "text/UnicodeString.h"

// True when WAYLAND_DISPLAY names a running compositor's socket or DISPLAY an
// X server that accepts a connection.
bool HasDisplay();

// The one line shown on standard error when the window cannot open.
extern const char NoDisplayMessage[];

// Shows the main window and runs the program until it closes; returns the
// exit status. `args` is the command line without the program name.
int RunDesktop(int& argc, char** argv, const std::vector<UnicodeString>& args);

// RunDesktop of the window module, loaded now; exit status 2 with a line on
// standard error when the module cannot be loaded.
int StartDesktop(int& argc, char** argv, const std::vector<UnicodeString>& args);
