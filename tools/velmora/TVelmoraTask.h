#pragma once

#include "text/UnicodeString.h"

// The association task file that tabloom hands to velmora: which command,
// for which extension, and (when registering) how to open such a file.

enum class TVelmoraCommand { Register = 1, Unregister = 2 };

struct TVelmoraTask {
    TVelmoraCommand command = TVelmoraCommand::Register;
    UnicodeString ext;       // with its leading dot, e.g. ".tbm"
    UnicodeString program;   // absolute path of the program that opens the files
    UnicodeString fileType;  // description of the file type
    UnicodeString iconFile;  // where the icon comes from; may be empty
};

// Reads and checks the task file. Everything that velmora will act on is
// checked here, so a bad task raises an Exception with a Japanese message
// before anything has been changed.
TVelmoraTask ReadVelmoraTask(const UnicodeString& path);

// The program of an open command of the form "<program>" "%1" (either part
// may stand without quotes when it holds no blank or quote). "" when the
// command has another form.
UnicodeString ProgramOfOpenCommand(const UnicodeString& command);
