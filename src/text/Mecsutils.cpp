#include "text/Mecsutils.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

namespace {

using Pair = std::pair<char16_t, char16_t>;

// Code-unit substitution. A full scan with a tiny table: cheaper than a map
// for the handful of entries and keeps the text untouched when nothing hits.
UnicodeString Substitute(const UnicodeString& text, std::initializer_list<Pair> table)
{
    UnicodeString out = text;
    for (auto& c : out) {
        for (const auto& [from, to] : table) {
            if (c == from) {
                c = to;
                break;
            }
        }
    }
    return out;
}

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendCodePoint(UnicodeString& out, char32_t cp)
{
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

} // namespace

UnicodeString MecsMappingFix_CP932ToUnicode(const UnicodeString& text)
{
    return text;
}

UnicodeString MecsMappingFix_JISX0208ToUnicode(const UnicodeString& text)
{
    return Substitute(text, {
        {0x00A2, 0xFFE0}, {0x00A3, 0xFFE1}, {0x00AC, 0xFFE2}, {0x2014, 0x2015},
        {0x2016, 0x2225}, {0x203E, 0xFFE3}, {0x2212, 0xFF0D}, {0x301C, 0xFF5E},
    });
}

UnicodeString MecsMappingFix_UnicodeToCP932(const UnicodeString& text)
{
    return MecsMappingFix_JISX0213ToJISX0208(Substitute(text, {{0x2014, 0x2015}, {0x203E, 0xFFE3}}));
}

UnicodeString MecsMappingFix_UnicodeToJISX0208(const UnicodeString& text)
{
    return MecsMappingFix_JISX0213ToJISX0208(Substitute(text, {
        {0x2014, 0x2015}, {0x203E, 0xFFE3}, {0x2225, 0x2016}, {0xFF0D, 0x2212},
        {0xFF5E, 0x301C}, {0xFFE0, 0x00A2}, {0xFFE1, 0x00A3}, {0xFFE2, 0x00AC},
    }));
}

UnicodeString MecsMappingFix_JISX0213ToJISX0208(const UnicodeString& text)
{
    UnicodeString out;
    out.reserve(text.size());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        char32_t cp = text[i];
        if (IsHigh(text[i]) && i + 1 < n && IsLow(text[i + 1])) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (IsHigh(text[i]) || IsLow(text[i])) {
            continue;  // unpaired: no code point to encode
        }
        switch (cp) {
        case 0x525D: cp = 0x5265; break;
        case 0x5861: cp = 0x586B; break;
        case 0x9830: cp = 0x982C; break;
        case 0x20B9F: cp = 0x53F1; break;
        default: break;
        }
        AppendCodePoint(out, cp);
    }
    return out;
}

UnicodeString MecsStretchElement(const RawByteString& bytes)
{
    UnicodeString out(bytes.size(), u'\0');
    std::transform(bytes.bytes.begin(), bytes.bytes.end(), out.begin(),
                   [](char b) { return static_cast<char16_t>(static_cast<unsigned char>(b)); });
    return out;
}
