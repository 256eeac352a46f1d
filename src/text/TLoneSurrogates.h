#pragma once

// Unpaired surrogates in text from outside data (cell text from "_xD800_"
// escapes): found and made U+FFFD where a character must stand for them.

#include <string_view>

#include "text/UnicodeString.h"

// Whether `text` holds a surrogate that is not half of a pair.
bool HasLoneSurrogate(std::u16string_view text);
// `text` with each such surrogate made U+FFFD.
UnicodeString LoneSurrogatesReplaced(std::u16string_view text);
