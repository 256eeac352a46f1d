#pragma once

#include "text/UnicodeString.h"
#include "numfmt/TNumberFormatSection.h"

namespace Excel::NumberFormat {

struct TCivilDate {
    int year = 1900;
    int month = 1;
    int day = 0;
    int weekday = 0;  // 0 Sunday .. 6 Saturday
};

// Calendar date of a whole serial day number. The 1900 system keeps Excel's
// 1900-01-00 (serial 0) and phantom 1900-02-29 (serial 60). False outside
// the range Excel shows (negative, or after 9999-12-31).
bool SerialToDate(long long days, bool date1904, TCivilDate& date);

// Appends the text of a date or time section; a value Excel cannot show as a
// date gives a run of "#".
void AppendDateSection(const TSection& section, double value, bool date1904, UnicodeString& out);

// What Excel shows for a number it cannot fit: a run of "#".
void AppendHashes(UnicodeString& out);

} // namespace Excel::NumberFormat
