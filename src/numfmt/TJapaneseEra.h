#pragma once

namespace Excel::NumberFormat {

// A Japanese era: names as Excel shows them for g, gg and ggg, and its first day.
struct TJapaneseEra {
    const char16_t* name;     // 令和
    const char16_t* initial;  // 令
    const char16_t* letter;   // R
    int year, month, day;
};

// The era a date falls in; dates before the first era count as Meiji
// (only 1900-01-00 can be earlier than any date Excel shows).
const TJapaneseEra& JapaneseEraOf(int year, int month, int day);

// Year number within the era (1 for the first year).
int JapaneseEraYear(int year, int month, int day);

} // namespace Excel::NumberFormat
