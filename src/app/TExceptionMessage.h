#pragma once

// The message of a caught exception as the windows show it: the system's own
// Exception keeps its UTF-16 text, any other std::exception gives its what().

#include <exception>

#include "text/UnicodeString.h"

UnicodeString ExceptionMessage(const std::exception& e);
