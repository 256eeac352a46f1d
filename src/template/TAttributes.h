#pragma once

#include <map>

#include "text/UnicodeString.h"
#include "workbook/TGrid.h"

class TStringScanner;

// Attribute name (lower case) -> value as written, quotes removed.
using TAttributeMap = std::map<UnicodeString, UnicodeString>;

// Reads attributes from a scanner placed behind the tag word, up to the end of
// the tag. Whatever cannot be read ends the list; never raises.
TAttributeMap ParseAttributes(TStringScanner& scanner);

// A cell reference split into its column letters and row digits, as written.
struct TCellAddress {
    UnicodeString letters;
    UnicodeString digits;
    bool operator==(const TCellAddress&) const = default;
};

// Columns A..XFD, as in the worksheet grid. Rows go to 1048756, which is
// not the grid's last row (1048576): it is the template language's own
// bound, and templates written for it may name rows up to there.
inline constexpr int MaxColumnNumber = static_cast<int>(Excel::MaxColumns);
inline constexpr int MaxRowNumber = 1048756;

// Splits and checks an A1-style reference (blanks around it are ignored).
// Raises Exception(text + " is not cell") when it is not a valid reference.
TCellAddress ParseCellAddress(const UnicodeString& text);

// 1-based column number of the letters, 0 when they are not a valid column.
int ColumnNumber(const UnicodeString& letters);
