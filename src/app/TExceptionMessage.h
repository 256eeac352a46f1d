#pragma once

// The message of a caught exception as the windows and the console show it:
// the system's own Exception keeps its UTF-16 text (a template error with
// its location on a line below), running out of memory is
// said in Japanese, any other std::exception gives its what().

#include <exception>

#include "text/UnicodeString.h"

UnicodeString ExceptionMessage(const std::exception& e);
