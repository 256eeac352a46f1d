#include "numfmt/TDBNum.h"

namespace Excel::NumberFormat {

namespace {

struct TNumerals {
    const char16_t* digits;  // 0-9
    const char16_t* small;   // 十 百 千
    const char16_t* groups;  // 万 億 兆 京
    char16_t point;
};

const TNumerals kLevels[] = {
    {u"〇一二三四五六七八九", u"十百千", u"万億兆京", u'・'},
    {u"零壱弐参四伍六七八九", u"拾百阡", u"萬億兆京", u'・'},
    {u"０１２３４５６７８９", nullptr, nullptr, u'．'},
};

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Spells a whole number given as digits. One is left out before 十 and 百
// (百十一) but kept before 千 and the group units (一千, 一万).
void Spell(const UnicodeString& digits, const TNumerals& n, UnicodeString& out)
{
    std::size_t first = 0;
    while (first + 1 < digits.size() && digits[first] == u'0') ++first;
    const std::size_t count = digits.size() - first;
    if (count == 1 || count > 20) {
        for (std::size_t i = first; i < digits.size(); ++i) out += n.digits[digits[i] - u'0'];
        return;
    }
    bool groupUsed = false;
    for (std::size_t i = first; i < digits.size(); ++i) {
        const std::size_t position = digits.size() - 1 - i;  // power of ten
        const std::size_t inGroup = position % 4;
        const int d = digits[i] - u'0';
        if (d != 0) {
            groupUsed = true;
            if (d != 1 || inGroup == 0 || inGroup == 3) out += n.digits[d];
            if (inGroup > 0) out += n.small[inGroup - 1];
        }
        if (inGroup == 0 && position > 0) {
            if (groupUsed) out += n.groups[position / 4 - 1];
            groupUsed = false;
        }
    }
}

} // namespace

UnicodeString ApplyDBNum(std::u16string_view text, int level, bool spelled)
{
    if (text.find(u'E') != std::u16string_view::npos) return UnicodeString(text);
    const TNumerals& n = kLevels[(level < 1 || level > 3) ? 0 : level - 1];
    const bool number = spelled;
    spelled = spelled && n.small;
    UnicodeString out;
    out.reserve(text.size() * 2);
    std::size_t i = 0;
    while (i < text.size()) {
        if (!IsDigit(text[i])) {
            out += text[i++];
            continue;
        }
        if (!spelled) {
            out += n.digits[text[i++] - u'0'];
            if (number && i + 1 < text.size() && text[i] == u'.' && IsDigit(text[i + 1])) {
                out += n.point;
                ++i;
            }
            continue;
        }
        // A whole number, thousands separators included, then its decimals.
        UnicodeString whole;
        while (i < text.size()) {
            if (IsDigit(text[i])) whole += text[i++];
            else if (text[i] == u',' && i + 1 < text.size() && IsDigit(text[i + 1])) ++i;
            else break;
        }
        Spell(whole, n, out);
        if (i + 1 < text.size() && text[i] == u'.' && IsDigit(text[i + 1])) {
            out += n.point;
            for (++i; i < text.size() && IsDigit(text[i]); ++i) out += n.digits[text[i] - u'0'];
        }
    }
    return out;
}

} // namespace Excel::NumberFormat
