#pragma once

#include <string_view>
#include <vector>

#include "text/UnicodeString.h"

// The comma-separated list form: the reopen history is stored in it, and
// templates list sheet numbers in it.
namespace TCommaText {

// Entries joined with ","; an entry holding a quote, a comma or a character
// from code 1 to 32 is put in double quotes with its quotes doubled. A list
// of one empty entry becomes "" so that it differs from an empty list.
UnicodeString Join(const std::vector<UnicodeString>& entries);

// The reverse of Join; text after a NUL character is ignored.
std::vector<UnicodeString> Split(std::u16string_view text);

} // namespace TCommaText
