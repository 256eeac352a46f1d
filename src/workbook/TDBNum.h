#pragma once

#include <string_view>

#include "text/UnicodeString.h"

namespace Excel::NumberFormat {

// Rewrites the ASCII digits of a displayed text in the numerals of
// [DBNum1] (一二三 with 十百千), [DBNum2] (壱弐参 with 拾百阡) or [DBNum3]
// (full-width digits). Whole numbers are spelled with their units; digits
// after a decimal point are spelled one by one.
UnicodeString ApplyDBNum(std::u16string_view text, int level);

} // namespace Excel::NumberFormat
