#include "numfmt/TNumberFormatDecimal.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace Excel::NumberFormat {

namespace {

constexpr int kGeneralWidth = 11;

// The General text is built as ASCII in a buffer this long and widened once.
constexpr int kGeneralBuffer = 24;

char* PutExponentForm(TDecimal d, char* p)
{
    // Mantissa digits that fit beside "E+dd" (or "E+ddd").
    int exponent = d.pointPos - 1;
    int expDigits = std::abs(exponent) >= 100 ? 3 : 2;
    d.RoundToDigits(kGeneralWidth - 3 - expDigits);
    exponent = d.pointPos - 1;
    *p++ = char('0' + d.Digit(0));
    if (d.count > 1) {
        *p++ = '.';
        for (int k = 1; k < d.count; ++k) *p++ = char('0' + d.Digit(k));
    }
    *p++ = 'E';
    *p++ = exponent < 0 ? '-' : '+';
    const int magnitude = std::abs(exponent);
    if (magnitude < 10) *p++ = '0';
    return std::to_chars(p, p + 4, magnitude).ptr;
}

char* PutPlain(const TDecimal& d, char* p)
{
    if (d.pointPos <= 0) {
        *p++ = '0';
    } else {
        for (int k = 0; k < d.pointPos; ++k) *p++ = char('0' + d.Digit(k));
    }
    if (d.count > d.pointPos) {
        *p++ = '.';
        for (int k = d.pointPos; k < d.count; ++k) *p++ = char('0' + d.Digit(k));
    }
    return p;
}

// The General text of a finite, non-zero magnitude.
char* PutGeneral(const TDecimal& d, char* p)
{
    if (d.pointPos > kGeneralWidth) return PutExponentForm(d, p);
    if (d.pointPos >= 1) {
        TDecimal shown = d;
        int decimals = kGeneralWidth - 1 - d.pointPos;
        shown.RoundToDecimals(decimals < 0 ? 0 : decimals);
        if (shown.pointPos > kGeneralWidth) return PutExponentForm(d, p);
        return PutPlain(shown, p);
    }
    // Below 1: "0." leaves nine decimals. Exponent form wins when it shows
    // more significant digits than the decimals can.
    TDecimal shown = d;
    shown.RoundToDecimals(kGeneralWidth - 2);
    TDecimal scientific = d;
    scientific.RoundToDigits(kGeneralWidth - 3 - (d.pointPos - 1 <= -100 ? 3 : 2));
    if (shown.IsZero() || shown.count < scientific.count) return PutExponentForm(d, p);
    return PutPlain(shown, p);
}

// Parses to_chars' scientific form "d.ddde[+-]xx" of up to 17 digits.
TDecimal FromScientific(const char* p, const char* end)
{
    TDecimal d;
    d.digits[d.count++] = *p++;
    if (*p == '.') ++p;
    while (p < end && *p != 'e' && d.count < 17) d.digits[d.count++] = *p++;
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+'), end, exponent);
    d.pointPos = exponent + 1;
    while (d.count > 0 && d.digits[d.count - 1] == '0') --d.count;
    return d;
}

// The digits of `whole` x 10^-decimals; whole < 10^15.
TDecimal FromScaled(long long whole, int decimals)
{
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, whole);
    TDecimal d;
    d.pointPos = int(result.ptr - buffer) - decimals;
    for (const char* p = buffer; p < result.ptr; ++p) d.digits[d.count++] = *p;
    while (d.digits[d.count - 1] == '0') --d.count;
    return d;
}

constexpr double kPowersOfTen[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};

} // namespace

TDecimal TDecimal::FromDoubleRounded(double magnitude)
{
    if (!(magnitude > 0) || !std::isfinite(magnitude)) return {};
    char buffer[40];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, 14);
    return FromScientific(buffer, result.ptr);
}

// Any decimal of at most 15 digits within 2^-53 of the double (relative) is
// closer than half a step of the 15-digit grid, so it is the rounded digits
// whenever the double is normal. The short ways below find such a decimal:
// a whole number, a product with a power of ten that rounds to a whole
// number, or the shortest digits that read back as the double. Rounding the
// exact binary value is the fallback.
TDecimal TDecimal::FromDouble(double magnitude)
{
    if (!(magnitude > 0) || !std::isfinite(magnitude)) return {};
    if (magnitude < 1e15 && magnitude == std::floor(magnitude))
        return FromScaled(static_cast<long long>(magnitude), 0);
    // Typed values have few decimals: 12.25 is 1225 hundredths.
    if (magnitude >= 1e-7 && magnitude < 1e14) {
        for (int decimals = 1; decimals <= 8; ++decimals) {
            const double scaled = magnitude * kPowersOfTen[decimals];
            if (scaled >= 1e15) break;
            if (scaled == std::floor(scaled))
                return FromScaled(static_cast<long long>(scaled), decimals);
        }
        // Mostly a computed value of 16 or 17 digits: only rounding helps.
        return FromDoubleRounded(magnitude);
    }
    if (magnitude >= std::numeric_limits<double>::min()) {
        char buffer[40];
        auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
        const TDecimal shortest = FromScientific(buffer, result.ptr);
        if (shortest.count <= 15) return shortest;
    }
    return FromDoubleRounded(magnitude);
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
    char buffer[kGeneralBuffer];
    char* p = buffer;
    if (value < 0) *p++ = '-';
    p = PutGeneral(TDecimal::FromDouble(std::fabs(value)), p);
    out.append(buffer, p);
}

} // namespace Excel::NumberFormat
