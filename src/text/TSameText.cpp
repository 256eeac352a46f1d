#include "text/TSameText.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

namespace {

bool IsAscii(std::u16string_view text)
{
    for (const char16_t c : text)
        if (c >= 0x80)
            return false;
    return true;
}

char16_t AsciiLower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

} // namespace

bool SameText(std::u16string_view a, std::u16string_view b)
{
    if (a.size() == b.size() && a == b)
        return true;
    // Folding ASCII only maps A-Z to a-z; ini files look up many ASCII names.
    if (IsAscii(a) && IsAscii(b)) {
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (AsciiLower(a[i]) != AsciiLower(b[i]))
                return false;
        return true;
    }
    UErrorCode status = U_ZERO_ERROR;
    const int32_t order = u_strCaseCompare(a.data(), static_cast<int32_t>(a.size()), b.data(),
                                           static_cast<int32_t>(b.size()), U_FOLD_CASE_DEFAULT, &status);
    return U_SUCCESS(status) && order == 0;
}

UnicodeString FoldCase(std::u16string_view text)
{
    // Folding may lengthen the text (ß to ss); three units per unit is enough.
    UnicodeString out(text.size() * 3, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = u_strFoldCase(out.data(), static_cast<int32_t>(out.size()), text.data(),
                                         static_cast<int32_t>(text.size()), U_FOLD_CASE_DEFAULT, &status);
    if (U_FAILURE(status))
        return UnicodeString(text);
    out.resize(static_cast<std::size_t>(length));
    return out;
}
