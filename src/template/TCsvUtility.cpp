#include "template/TCsvUtility.h"

#include "workbook/TGrid.h"

int TCsvUtility::ColumnIndex(const UnicodeString& letters)
{
    const auto column = Excel::ColumnOfLetters(std::u16string_view(letters));
    return column ? static_cast<int>(*column) - 1 : -1;
}
