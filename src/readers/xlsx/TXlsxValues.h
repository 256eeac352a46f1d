#pragma once

// Value syntaxes of ECMA-376-1: cell numbers and ISO 8601 date cells
// (§18.3.1.4, dates and times §18.17.4) and the _xHHHH_ escapes of
// ST_Xstring (§22.9.2.19).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "text/UnicodeString.h"

namespace Excel {

// Small parsers for the values found in Office Open XML cells.

// Turns `_xHHHH_` escapes (used for control characters) in UTF-8 text into
// the character they stand for; `_x005F_` is an escaped underscore. Two
// escapes of a surrogate pair make one character; a lone surrogate is kept
// as its own three bytes, as the string pool stores it.
void DecodeXmlEscapes(std::string& text);

// A decimal number as written in <v> ("1", "-0.5", "1.5E-3"), surrounding
// blanks allowed. Nothing for anything else, infinities and NaN included.
std::optional<double> ParseXmlNumber(std::string_view text);

// The commonest numbers, read as they are scanned: a minus, digits, a point
// and digits. Up to 15 digits make an exact integer, which one division by
// an exact power of ten rounds as from_chars would.
struct TShortDecimal {
    std::uint64_t digits = 0;
    std::size_t count = 0;        // of digits
    std::ptrdiff_t fraction = -1;  // digits after the point; -1 without one
    bool negative = false;

    // Takes what it can from p on; gives where it stopped.
    const char* Scan(const char* p, const char* end);
    // Nothing when the decimal is too long (or too short) to be exact this way.
    std::optional<double> Value() const;
};

// An ISO 8601 date, time or date-time ("2024-01-05T09:30:00Z", "09:30:00")
// into a serial number of the workbook's date system.
std::optional<double> ParseIsoDateTime(std::string_view text, bool date1904);

// Serial day number of a calendar date, with the 1900 system's phantom
// 29 February 1900 counted as Excel counts it.
double DateSerial(int year, int month, int day, bool date1904);

} // namespace Excel
