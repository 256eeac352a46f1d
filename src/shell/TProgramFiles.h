#pragma once

#include "text/UnicodeString.h"

// Where the running program and the data shipped with it lie. The build tree
// holds the data under <build>/share, an installed program under
// <prefix>/share next to <prefix>/bin, so both are found the same way.

// The full path of the running program file ("" when it cannot be told).
UnicodeString ProgramFilePath();

// The first of <folder of program>/share/<relative> and
// <folder of program>/../share/<relative> that exists, else "".
UnicodeString FindSharedFile(const UnicodeString& programPath, const UnicodeString& relative);
