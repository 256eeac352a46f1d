#include "workbook/TDBNum.h"

namespace Excel::NumberFormat {

UnicodeString ApplyDBNum(std::u16string_view text, int level) {
    UnicodeString out;
    for (char16_t c : text) {
        if (c >= u'0' && c <= u'9' && level == 3) out += char16_t(0xFF10 + (c - u'0'));
        else out += c;
    }
    return out;
}

} // namespace Excel::NumberFormat
