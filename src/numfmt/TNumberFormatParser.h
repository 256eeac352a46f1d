#pragma once

#include <string_view>
#include <vector>

#include "numfmt/TNumberFormatSection.h"

namespace Excel::NumberFormat {

struct TParsedFormat {
    std::vector<TSection> sections;
    bool valid = false;
};

// Compiles a format code into its sections. `valid` is false for a code that
// must fall back to General (unbalanced quotes or brackets, a bad condition,
// more than four sections, absurd digit counts, mixed date and digit fields).
TParsedFormat ParseFormatCode(std::u16string_view code);

} // namespace Excel::NumberFormat
