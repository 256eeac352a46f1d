#include "settings/TSameText.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

bool SameText(std::u16string_view a, std::u16string_view b)
{
    if (a.size() == b.size() && a == b)
        return true;
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
