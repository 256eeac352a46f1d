#pragma once

#include <string_view>

// Compares two texts without regard to letter case (full Unicode case
// folding), as ini names and history entries are compared.
bool SameText(std::u16string_view a, std::u16string_view b);
