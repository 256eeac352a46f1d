#include "template/TCsvUtility.h"

#include <algorithm>

#include "text/TCommaText.h"
#include "text/TConvert.h"

namespace TCsvUtility {

bool ParseSheetList(const UnicodeString& value, std::vector<int>& sheetNumbers)
{
    sheetNumbers.clear();
    for (const UnicodeString& item : TCommaText::Split(value)) {
        const int number = StrToIntDef(item, -1);
        if (number < 1)
            return false;
        sheetNumbers.push_back(number);
    }
    std::sort(sheetNumbers.begin(), sheetNumbers.end());
    sheetNumbers.erase(std::unique(sheetNumbers.begin(), sheetNumbers.end()), sheetNumbers.end());
    return true;
}

} // namespace TCsvUtility
