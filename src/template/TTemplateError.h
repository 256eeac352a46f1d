#pragma once

// A failure that comes from the template, with where its tag stands, so the
// author can find it. The message itself stays the one the tag readers give;
// the location is shown on a line of its own wherever the message is shown.

#include <string_view>

#include "text/Exception.h"
#include "text/UnicodeString.h"

// 1-based line and column (in characters) of a token, and its text.
struct TTemplateLocation {
    int line = 0;  // 0: not known
    int column = 0;
    UnicodeString tagText;

    bool Known() const { return line > 0; }
};

class ETemplateError : public Exception {
public:
    ETemplateError(UnicodeString message, TTemplateLocation location);
    const TTemplateLocation& Location() const noexcept { return location_; }

private:
    TTemplateLocation location_;
};

// Follows the text line by line as an editor counts: LF, CR LF and CR each
// end a line; a surrogate pair is one column.
class TTextPosition {
public:
    void Advance(std::u16string_view text);
    int Line() const { return line_; }
    int Column() const { return column_; }

private:
    int line_ = 1;
    int column_ = 1;
    bool afterCR_ = false;
    bool afterHighSurrogate_ = false;
};

// Called in a catch block: raises the caught failure again as it is when it
// already has a location, else with `location` attached.
[[noreturn]] void RethrowAt(const Exception& e, const TTemplateLocation& location);

// "テンプレートファイル 12行目 5文字目: <tag>", the tag's line breaks as spaces.
UnicodeString LocationText(const TTemplateLocation& location);

// The message, and below it the location when the failure has one.
UnicodeString MessageWithLocation(const Exception& e);
