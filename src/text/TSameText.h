#pragma once

#include <string_view>

#include "text/UnicodeString.h"

// Compares two texts without regard to letter case (full Unicode case
// folding), as ini names and history entries are compared.
bool SameText(std::u16string_view a, std::u16string_view b);

// The case-folded form: equal for exactly the texts SameText takes as equal.
UnicodeString FoldCase(std::u16string_view text);
