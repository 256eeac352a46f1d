#include "template/TAttributes.h"

#include "template/TCsvUtility.h"
#include "template/TStringScanner.h"
#include "text/Exception.h"
#include "text/TConvert.h"

TAttributeMap ParseAttributes(TStringScanner& scanner)
{
    TAttributeMap attributes;
    bool more = true;
    while (!scanner.IsEmpty() && more) {
        if (scanner.Skip(u"([a-zA-Z0-9_]+)\\s*=\\s*([\\\"']?)") < 0) {
            // Blanks and the closing "--->" are passed over; anything else ends the list.
            more = scanner.Skip(u"(\\s+|--->)") >= 0;
            continue;
        }
        const UnicodeString name = LowerCase(scanner.Group(1));
        const UnicodeString quote = scanner.Group(2);
        UnicodeString value;
        if (!quote.empty()) {
            // Unclosed quote: the value is empty and reading resumes after the quote.
            if (scanner.Skip(u"([^" + quote + u"]*)" + quote) >= 0)
                value = scanner.Group(1);
        } else {
            scanner.Skip(u"(\\S*)");
            value = scanner.Group(1);
        }
        attributes[name] = value;
    }
    return attributes;
}

TCellAddress ParseCellAddress(const UnicodeString& text)
{
    const UnicodeString trimmed = Trim(text);
    TStringScanner scanner(trimmed);
    // The scanner stops at a NUL, but a reference must be the whole text.
    if (trimmed.find(u'\0') != UnicodeString::npos || scanner.Skip(u"([a-zA-Z]+)([0-9]+)\\z") < 0)
        throw Exception(text + u" is not cell");
    TCellAddress address{scanner.Group(1), scanner.Group(2)};
    const int column = ColumnNumber(address.letters);
    const int row = StrToIntDef(address.digits, -1);
    if (column < 1 || column > MaxColumnNumber || row < 1 || row > MaxRowNumber)
        throw Exception(text + u" is not cell");
    return address;
}

int ColumnNumber(const UnicodeString& letters)
{
    return TCsvUtility::ColumnIndex(letters) + 1;
}
