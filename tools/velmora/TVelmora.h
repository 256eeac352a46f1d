#pragma once

#include <iosfwd>

#include "TVelmoraTask.h"
#include "text/UnicodeString.h"

// Carries out an association task for the current user in the freedesktop
// way: MIME package, desktop entry, icon and default application, then the
// desktop's databases are brought up to date.

struct TXdgFolders {
    UnicodeString dataHome;    // $XDG_DATA_HOME, else $HOME/.local/share
    UnicodeString configHome;  // $XDG_CONFIG_HOME, else $HOME/.config
};

// Relative or empty variables are ignored, as the base-directory rules say.
// Raises when not even a home folder can be found.
TXdgFolders UserXdgFolders();

// Both raise an Exception with a Japanese message on failure. Each file is
// replaced in one step; running either twice leaves the same files.
void RegisterAssociation(const TVelmoraTask& task, const TXdgFolders& folders);
void UnregisterAssociation(const TXdgFolders& folders);

// The whole program: one argument, the task file. Returns the exit status.
int RunVelmora(int argc, char** argv, std::ostream& err);
