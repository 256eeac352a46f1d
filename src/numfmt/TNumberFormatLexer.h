#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "numfmt/TNumberFormatSection.h"

namespace Excel::NumberFormat {

// Tokens of a section as written, before their meaning in the section is known.
enum class TRawKind : std::uint8_t {
    Literal, Placeholder, Point, Comma, Percent, Exp, Slash, At, General, Letter, AmPm, Elapsed, DigitChar
};

struct TRawToken {
    TRawKind kind = TRawKind::Literal;
    char16_t ch = 0;       // placeholder, letter (lower case) or digit
    int count = 1;         // letters in a run
    bool plus = false;     // Exp
    TAmPmStyle ampm = TAmPmStyle::Upper;
    UnicodeString text;    // how the token reads when shown literally
};

// Cuts one section of a format code, from `pos`, into raw tokens; bracket
// groups set the section's condition, locale and numeral style. Stops after
// the ';' that ends the section. False for unbalanced quotes or brackets,
// a bad condition or an unknown bracket group.
bool LexSection(std::u16string_view code, std::size_t& pos, TSection& section, std::vector<TRawToken>& out,
                bool& endedBySemicolon);

bool IsPlaceholder(char16_t c);

} // namespace Excel::NumberFormat
