#pragma once

#include "text/UnicodeString.h"
#include "numfmt/TNumberFormatSection.h"

namespace Excel::NumberFormat {

// Append the text of a non-negative value in a number, exponent or fraction
// section; the caller adds any minus sign.
void AppendNumberSection(const TSection& section, double magnitude, UnicodeString& out);
void AppendFractionSection(const TSection& section, double magnitude, UnicodeString& out);

// Closest fraction with a denominator up to maxDenominator that Excel picks:
// the last continued-fraction convergent that fits.
void ApproximateFraction(double value, long long maxDenominator, long long& numerator, long long& denominator);

} // namespace Excel::NumberFormat
