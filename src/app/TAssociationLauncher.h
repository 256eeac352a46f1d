#pragma once

#include "text/UnicodeString.h"

// The .tbm association commands of the settings dialog: they write a task
// file for velmora, the helper program next to tabloom, start it and wait.

// What the commands need of the window that runs them.
class TAssociationHost {
public:
    virtual ~TAssociationHost() = default;
    virtual UnicodeString ProgramPath() const = 0;
    // A warning box with one OK button.
    virtual void ShowWarning(const UnicodeString& message) = 0;
};

// "<program>" "%1": how the desktop is to open a project file.
UnicodeString OpenCommandFor(const UnicodeString& programPath);

// Both write a temporary task file, run velmora on it and delete it again.
// A task file that cannot be written raises an Exception.
void RegisterExtension(TAssociationHost& owner, const UnicodeString& extension, const UnicodeString& openCommand,
                       const UnicodeString& fileType, const UnicodeString& iconFile, int iconIndex);
void UnregisterExtension(TAssociationHost& owner, const UnicodeString& extension);

// Starts velmora from the program's folder with the task file as its one
// argument and waits for it. When it is missing, cannot start or fails, the
// owner shows a warning with the reason (velmora's own message when it gave
// one).
void RunAssociationTool(const UnicodeString& taskFilePath, TAssociationHost& owner);
