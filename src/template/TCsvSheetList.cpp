#include "template/TCsvUtility.h"

#include <algorithm>

#include "text/TConvert.h"

namespace TCsvUtility {

namespace {

bool IsBlank(char16_t c)
{
    return c <= u' ';
}

// Comma-separated items: blanks outside quotes also separate and are dropped,
// "" inside quotes stands for one quote, ",," and a trailing "," give "".
std::vector<UnicodeString> SplitCommaText(const UnicodeString& text)
{
    std::vector<UnicodeString> items;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && IsBlank(text[i]))
        ++i;
    while (i < n) {
        UnicodeString item;
        if (text[i] == u'"') {
            ++i;
            while (i < n) {
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        item += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            while (i < n && !IsBlank(text[i]) && text[i] != u',')
                item += text[i++];
        }
        items.push_back(std::move(item));
        while (i < n && IsBlank(text[i]))
            ++i;
        if (i < n && text[i] == u',') {
            if (i + 1 == n)
                items.emplace_back();
            ++i;
            while (i < n && IsBlank(text[i]))
                ++i;
        }
    }
    return items;
}

} // namespace

bool ParseSheetList(const UnicodeString& value, std::vector<int>& sheetNumbers)
{
    sheetNumbers.clear();
    for (const UnicodeString& item : SplitCommaText(value)) {
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
