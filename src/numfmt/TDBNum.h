#pragma once

#include <string_view>

#include "text/UnicodeString.h"

namespace Excel::NumberFormat {

// Rewrites the ASCII digits of a displayed text in the numerals of [DBNum1]
// (〇一二 with 十百千万), [DBNum2] (零壱弐 with 拾百阡萬) or [DBNum3]
// (full-width digits). With `spelled`, whole numbers of levels 1 and 2 are
// spelled with their units (1234: 一千二百三十四, thousands separators
// dropped) and a decimal point becomes "・"; otherwise, and for level 3,
// digits are written one by one (2024: 二〇二四). Exponent forms stay as they are.
UnicodeString ApplyDBNum(std::u16string_view text, int level, bool spelled);

} // namespace Excel::NumberFormat
