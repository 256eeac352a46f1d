#pragma once

#include "text/UnicodeString.h"

namespace Excel::NumberFormat {

// A non-negative number as the decimal digits Excel works with: at most 15
// significant digits, value = 0.d1d2...dn x 10^pointPos. No trailing zeros;
// count 0 means zero.
struct TDecimal {
    char digits[24] = {};
    int count = 0;
    int pointPos = 0;

    static TDecimal FromDouble(double magnitude);
    // The same by rounding the exact binary value to 15 digits: what
    // FromDouble gives, only slower. Kept for values the short ways cannot
    // take, and as their reference.
    static TDecimal FromDoubleRounded(double magnitude);

    bool IsZero() const { return count == 0; }
    // Digit k counted from the first significant one; 0 outside the digits.
    int Digit(int k) const { return (k >= 0 && k < count) ? digits[k] - '0' : 0; }
    // Half away from zero, keeping `keep` leading digits.
    void RoundToDigits(int keep);
    void RoundToDecimals(int decimals) { RoundToDigits(pointPos + decimals); }
    // Number of digits of the whole part (0 when below 1).
    int WholeDigits() const { return count == 0 || pointPos < 0 ? 0 : pointPos; }
};

// Appends the General text of a value: what a standard-width cell shows, at
// most 11 characters besides the sign, decimals rounded to fit and very large
// or very small numbers in exponent form.
void AppendGeneral(double value, UnicodeString& out);
// The same as a string of its own, allocated once.
UnicodeString GeneralText(double value);
// AppendGeneral always through the rounded digits: the same text, only
// slower. The reference for its short way with values that need no rounding.
void AppendGeneralByDigits(double value, UnicodeString& out);

// Appends the decimal digits of a whole number.
void AppendInteger(long long value, UnicodeString& out, int minDigits = 1);

} // namespace Excel::NumberFormat
