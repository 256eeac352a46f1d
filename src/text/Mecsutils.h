#pragma once

#include "text/UnicodeString.h"

// Text is taken by value so that a caller handing over a temporary has it
// corrected in place.

// Character substitutions that make text decoded from Shift_JIS (932) and from
// the JIS X 0208 code pages (EUC-JP, ISO-2022-JP) use the same characters, so
// that text of either origin can be written in either code page.

// After decoding code page 932: unchanged.
UnicodeString MecsMappingFix_CP932ToUnicode(UnicodeString text);
// After decoding 20932, 50220, 50221, 50222 and 51932: standard forms to the
// full-width forms code page 932 produces.
UnicodeString MecsMappingFix_JISX0208ToUnicode(UnicodeString text);
// Before encoding to 932.
UnicodeString MecsMappingFix_UnicodeToCP932(UnicodeString text);
// Before encoding to 20932, 50220, 50221 and 50222.
UnicodeString MecsMappingFix_UnicodeToJISX0208(UnicodeString text);
// The four JIS X 0213 ideographs to their JIS X 0208 forms, by code point;
// unpaired surrogates are dropped.
UnicodeString MecsMappingFix_JISX0213ToJISX0208(UnicodeString text);

// Each byte becomes one code unit of the same value (0x00 to 0xFF).
UnicodeString MecsStretchElement(const RawByteString& bytes);
