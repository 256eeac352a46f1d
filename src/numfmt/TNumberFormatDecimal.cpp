#include "numfmt/TNumberFormatDecimal.h"

#include <charconv>
#include <cmath>

namespace Excel::NumberFormat {

namespace {

constexpr int kGeneralWidth = 11;

void AppendExponentForm(TDecimal d, UnicodeString& out)
{
    // Mantissa digits that fit beside "E+dd" (or "E+ddd").
    int exponent = d.pointPos - 1;
    int expDigits = std::abs(exponent) >= 100 ? 3 : 2;
    d.RoundToDigits(kGeneralWidth - 3 - expDigits);
    exponent = d.pointPos - 1;
    out += char16_t(u'0' + d.Digit(0));
    if (d.count > 1) {
        out += u'.';
        for (int k = 1; k < d.count; ++k) out += char16_t(u'0' + d.Digit(k));
    }
    out += u'E';
    out += exponent < 0 ? u'-' : u'+';
    AppendInteger(std::abs(exponent), out, 2);
}

void AppendPlain(const TDecimal& d, UnicodeString& out)
{
    if (d.pointPos <= 0) {
        out += u'0';
    } else {
        for (int k = 0; k < d.pointPos; ++k) out += char16_t(u'0' + d.Digit(k));
    }
    if (d.count > d.pointPos) {
        out += u'.';
        for (int k = d.pointPos; k < d.count; ++k)
            out += char16_t(u'0' + d.Digit(k));
    }
}

} // namespace

TDecimal TDecimal::FromDouble(double magnitude)
{
    TDecimal d;
    if (!(magnitude > 0) || !std::isfinite(magnitude)) return d;
    char buffer[40];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, 14);
    // buffer: d.dddddddddddddde[+-]xx
    const char* p = buffer;
    d.digits[d.count++] = *p++;
    if (*p == '.') ++p;
    while (p < result.ptr && *p != 'e') d.digits[d.count++] = *p++;
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+'), result.ptr, exponent);
    d.pointPos = exponent + 1;
    while (d.count > 0 && d.digits[d.count - 1] == '0') --d.count;
    return d;
}

void TDecimal::RoundToDigits(int keep)
{
    if (keep >= count) return;
    if (keep < 0) { count = 0; return; }
    bool up = digits[keep] >= '5';
    count = keep;
    if (up) {
        int i = keep - 1;
        while (i >= 0 && digits[i] == '9') --i;
        if (i < 0) {
            digits[0] = '1';
            count = 1;
            ++pointPos;
        } else {
            ++digits[i];
            count = i + 1;
        }
    }
    while (count > 0 && digits[count - 1] == '0') --count;
}

void AppendInteger(long long value, UnicodeString& out, int minDigits)
{
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    for (int n = int(result.ptr - buffer); n < minDigits; ++n) out += u'0';
    for (const char* p = buffer; p < result.ptr; ++p) out += char16_t(*p);
}

void AppendGeneral(double value, UnicodeString& out)
{
    if (!std::isfinite(value)) {
        out += u"#NUM!";
        return;
    }
    if (value == 0) {
        out += u'0';
        return;
    }
    if (value < 0) out += u'-';
    TDecimal d = TDecimal::FromDouble(std::fabs(value));
    if (d.pointPos > kGeneralWidth) {
        AppendExponentForm(d, out);
        return;
    }
    if (d.pointPos >= 1) {
        TDecimal shown = d;
        int decimals = kGeneralWidth - 1 - d.pointPos;
        shown.RoundToDecimals(decimals < 0 ? 0 : decimals);
        if (shown.pointPos > kGeneralWidth) AppendExponentForm(d, out);
        else AppendPlain(shown, out);
        return;
    }
    // Below 1: "0." leaves nine decimals. Exponent form wins when it shows
    // more significant digits than the decimals can.
    TDecimal shown = d;
    shown.RoundToDecimals(kGeneralWidth - 2);
    TDecimal scientific = d;
    scientific.RoundToDigits(kGeneralWidth - 3 - (d.pointPos - 1 <= -100 ? 3 : 2));
    if (shown.IsZero() || shown.count < scientific.count) AppendExponentForm(d, out);
    else AppendPlain(shown, out);
}

} // namespace Excel::NumberFormat
