#pragma once

#include <string_view>

#include "text/UnicodeString.h"

// One argument for /bin/sh: the text in single quotes, each single quote
// written as '\''. Inside single quotes the shell gives every character
// (blanks, double quotes, $, backquotes, backslashes, line breaks) its
// literal meaning, so the argument arrives exactly as it was.
UnicodeString ShellQuote(std::u16string_view text);
