#pragma once

#include <memory>
#include <string_view>

#include "text/UnicodeString.h"

namespace Excel {

// A number-format code compiled once and applied to many cells, giving the
// text a Japanese-locale Excel displays. Knows nothing of file formats.
class TNumberFormat {
public:
    virtual ~TNumberFormat() = default;

    // Never throws: a malformed code gives a format that shows General text.
    static std::shared_ptr<const TNumberFormat> Compile(std::u16string_view code);

    // The ja-JP definition of a built-in format id (0 is "General"); empty
    // text for an id that has no built-in definition.
    static UnicodeString BuiltInCode(int id);

    // Displayed text of a numeric cell (dates are serial numbers).
    virtual UnicodeString FormatNumber(double value, bool date1904) const = 0;
    // Displayed text of a text cell (the format's text section, if any).
    // Taken by value: most formats show the text as it is, without a copy.
    virtual UnicodeString FormatText(UnicodeString text) const = 0;
    // Whether Excel treats the format as a date or time format.
    virtual bool IsDateTime() const = 0;

    // Displayed text of a boolean cell, whatever its format.
    static UnicodeString FormatBoolean(bool value) { return value ? u"TRUE" : u"FALSE"; }
};

} // namespace Excel
