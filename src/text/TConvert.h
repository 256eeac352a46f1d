#pragma once

#include "text/UnicodeString.h"

// Integer reading used for every number taken from text: optional leading
// blanks (U+0020), an optional sign, then decimal digits or hexadecimal digits
// after "$", "x", "X", "0x" or "0X", running to the end. Anything else, or a
// decimal value outside the 32-bit signed range, gives `fallback`; hexadecimal
// gives the 32-bit value it spells (at most 0xFFFFFFFF).
int StrToIntDef(std::u16string_view text, int fallback);

// The value of one hexadecimal digit (either case), -1 for anything else.
constexpr int HexDigitValue(char32_t c)
{
    return c >= U'0' && c <= U'9'   ? static_cast<int>(c - U'0')
           : c >= U'a' && c <= U'f' ? static_cast<int>(c - U'a' + 10)
           : c >= U'A' && c <= U'F' ? static_cast<int>(c - U'A' + 10)
                                    : -1;
}

// Removes every character up to U+0020 at both ends.
UnicodeString Trim(std::u16string_view text);
UnicodeString TrimLeft(std::u16string_view text);
UnicodeString TrimRight(std::u16string_view text);

// Plain A-Z / a-z case mapping; every other character is kept.
UnicodeString LowerCase(std::u16string_view text);
UnicodeString UpperCase(std::u16string_view text);

// Decimal text of a number; "%05d"-style zero padding to at least `width` digits.
UnicodeString IntToStr(long long value);
UnicodeString ZeroPad(long long value, int width);
