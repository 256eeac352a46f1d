#include "template/TCsvUtility.h"

#include "template/TAttributes.h"

int TCsvUtility::ColumnIndex(const UnicodeString& letters)
{
    if (letters.empty())
        return -1;
    int value = 0;
    for (char16_t c : letters) {
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
        if (c < u'A' || c > u'Z')
            return -1;
        value = value * 26 + (c - u'A' + 1);
        // Checked at every step so a long run cannot overflow.
        if (value > MaxColumnNumber)
            return -1;
    }
    return value - 1 < MaxColumnNumber ? value - 1 : -1;
}
