#pragma once

#include "workbook/TWorkbookData.h"

namespace Excel {

// The two readings of a cell the automation layer offers. `cell` may be
// nullptr for an empty cell.

// Displayed text: the value rendered with its number format, TRUE/FALSE,
// error values as written, or the text the file stored for display.
UnicodeString DisplayText(const TWorkbookData& book, const TCellData* cell);

// The value as variant-to-text conversion gives it in a Japanese locale.
// Raises EVariantError for an error value.
UnicodeString ValueText(const TWorkbookData& book, const TCellData* cell);

// Number to text with up to 15 significant digits ("0.3", "1E+20", "-5").
UnicodeString NumberToText(double value);

// A date-formatted serial number as the locale shows a date value:
// "2024/01/05", "2024/01/05 9:30:00" or "9:30:00".
UnicodeString SerialToDateText(double serial, bool date1904);

} // namespace Excel
