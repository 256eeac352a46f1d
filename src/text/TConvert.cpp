#include "text/TConvert.h"

#include <cstdint>
#include <cstdlib>

int StrToIntDef(std::u16string_view text, int fallback)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    bool hex = false;
    if (i < text.size() && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }
    if (i >= text.size())
        return fallback;

    std::uint64_t value = 0;
    if (hex) {
        for (; i < text.size(); ++i) {
            const int d = HexDigitValue(text[i]);
            if (d < 0)
                return fallback;
            value = value * 16 + static_cast<unsigned>(d);
            if (value > 0xFFFFFFFFull)
                return fallback;
        }
        auto bits = static_cast<std::uint32_t>(value);
        if (negative)
            bits = 0u - bits;
        return static_cast<int>(bits);
    }
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return fallback;
        value = value * 10 + static_cast<unsigned>(text[i] - u'0');
        if (value > 2147483648ull)
            return fallback;
    }
    if (negative)
        return static_cast<int>(-static_cast<long long>(value));
    if (value > 2147483647ull)
        return fallback;
    return static_cast<int>(value);
}

UnicodeString TrimLeft(std::u16string_view text)
{
    std::size_t b = 0;
    while (b < text.size() && text[b] <= u' ')
        ++b;
    return UnicodeString(text.substr(b));
}

UnicodeString TrimRight(std::u16string_view text)
{
    std::size_t e = text.size();
    while (e > 0 && text[e - 1] <= u' ')
        --e;
    return UnicodeString(text.substr(0, e));
}

UnicodeString Trim(std::u16string_view text)
{
    return TrimLeft(TrimRight(text));
}

UnicodeString LowerCase(std::u16string_view text)
{
    UnicodeString out(text);
    for (auto& c : out)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c + 32);
    return out;
}

UnicodeString UpperCase(std::u16string_view text)
{
    UnicodeString out(text);
    for (auto& c : out)
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - 32);
    return out;
}

UnicodeString IntToStr(long long value)
{
    return ZeroPad(value, 1);
}

UnicodeString ZeroPad(long long value, int width)
{
    const bool negative = value < 0;
    unsigned long long magnitude = negative ? 0ull - static_cast<unsigned long long>(value)
                                            : static_cast<unsigned long long>(value);
    UnicodeString digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    // printf counts the sign in the field width.
    const int room = width - (negative ? 1 : 0);
    if (static_cast<int>(digits.size()) < room)
        digits.insert(0, static_cast<std::size_t>(room) - digits.size(), u'0');
    return negative ? u"-" + digits : digits;
}
