#pragma once

// Why an output folder could not be made, in words a user can act on. The
// console, the warning box and the progress log all show this one text.

#include "text/UnicodeString.h"

// The reason for the system error `error` (an errno value) met while
// creating a folder; the system's own text for errors without a short word.
UnicodeString FolderFailureReason(int error);
