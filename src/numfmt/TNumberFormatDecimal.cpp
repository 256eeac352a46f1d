#include "numfmt/TNumberFormatDecimal.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

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

using Wide = unsigned __int128;

// 10^0 to 10^22, all exact both as doubles and in 128 bits.
template <typename T>
constexpr std::array<T, 23> PowersOfTen()
{
    std::array<T, 23> powers{};
    T power = 1;
    for (auto& p : powers) {
        p = power;
        power *= 10;
    }
    return powers;
}

constexpr auto kPowersOfTen = PowersOfTen<double>();
constexpr auto kWidePowersOfTen = PowersOfTen<Wide>();

// Whether a finite magnitude is exactly `whole` x 10^-decimals with whole
// below 10^15 and at most eight decimals, the shape of typed values (12.25
// is 1225 hundredths). Past 10^14 or below 10^-7 only whole numbers count.
bool ScaledWhole(double magnitude, long long& whole, int& decimals)
{
    // Below 10^15 a whole double converts to a 64-bit integer exactly, which
    // is a cheaper test than floor.
    if (magnitude < 1e15 && magnitude == double(static_cast<long long>(magnitude))) {
        whole = static_cast<long long>(magnitude);
        decimals = 0;
        return true;
    }
    if (!(magnitude >= 1e-7 && magnitude < 1e14)) return false;
    for (int k = 1; k <= 8; ++k) {
        const double scaled = magnitude * kPowersOfTen[std::size_t(k)];
        if (scaled >= 1e15) return false;
        const auto truncated = static_cast<long long>(scaled);
        if (scaled == double(truncated)) {
            whole = truncated;
            decimals = k;
            return true;
        }
    }
    return false;
}

// The General text of `whole` x 10^-decimals (whole > 0, at most eight
// decimals) when it fits the width as it is, so no digit needs rounding;
// nullptr when it does not. The digits are written once, and the point
// goes in among them.
char* PutGeneralExact(long long whole, int decimals, char* p)
{
    char digits[24];
    int count = int(std::to_chars(digits, digits + sizeof digits, whole).ptr - digits);
    // Trailing zeros of the decimals go: 1.50 is 1.5. The first digit is
    // never a zero, so some digit stays.
    while (decimals > 0 && digits[count - 1] == '0')
        --count, --decimals;
    const int wholeDigits = count > decimals ? count - decimals : 0;
    if (decimals == 0) {
        if (count > kGeneralWidth) return nullptr;
        return std::copy(digits, digits + count, p);
    }
    if (wholeDigits > 0 ? wholeDigits + decimals > kGeneralWidth - 1 : decimals > kGeneralWidth - 2) return nullptr;
    if (wholeDigits == 0) *p++ = '0';
    p = std::copy(digits, digits + wholeDigits, p);
    *p++ = '.';
    // Leading zeros of the decimals: 0.05 is 5 hundredths.
    for (int k = count; k < decimals; ++k) *p++ = '0';
    return std::copy(digits + wholeDigits, digits + count, p);
}

// The digits of `whole` x 10^-decimals; whole < 10^15.
TDecimal FromScaled(long long whole, int decimals)
{
    TDecimal d;
    d.count = int(std::to_chars(d.digits, d.digits + sizeof d.digits, whole).ptr - d.digits);
    d.pointPos = d.count - decimals;
    while (d.digits[d.count - 1] == '0') --d.count;
    return d;
}

// The 15 digits of a magnitude in [1e-7, 1e14), rounded from its exact
// binary value, as FromDoubleRounded gives them but with integer arithmetic:
// the magnitude is m x 2^-shift, so magnitude x 10^s is m x 10^s / 2^shift,
// whose quotient and remainder one 128-bit product holds exactly. An exact
// tie is left to FromDoubleRounded, which settles it as to_chars does.
TDecimal FromBinary(double magnitude)
{
    const auto bits = std::bit_cast<std::uint64_t>(magnitude);
    const int biased = int(bits >> 52);
    const Wide m = (bits & ((1ull << 52) - 1)) | (1ull << 52);
    const int shift = 1075 - biased;  // 6 to 76 in this range
    // 10^(pointPos - 1) <= magnitude < 10^pointPos; the guess from the binary
    // exponent (times log10 2) is corrected by the quotient's digit count.
    int pointPos = ((biased - 1023) * 78913 >> 18) + 1;
    constexpr Wide kLow = kWidePowersOfTen[14], kHigh = kWidePowersOfTen[15];
    Wide product = 0, quotient = 0;
    for (;;) {
        product = m * kWidePowersOfTen[std::size_t(15 - pointPos)];
        quotient = product >> shift;
        if (quotient >= kHigh) ++pointPos;
        else if (quotient < kLow) --pointPos;
        else break;
    }
    const Wide rest = product - (quotient << shift);
    const Wide half = Wide(1) << (shift - 1);
    if (rest == half) return TDecimal::FromDoubleRounded(magnitude);
    // Rounding up to 10^15 leaves the digit 1, one place further up.
    if (rest > half && ++quotient == kHigh) ++pointPos;
    TDecimal d;
    d.count = int(std::to_chars(d.digits, d.digits + sizeof d.digits, std::uint64_t(quotient)).ptr - d.digits);
    d.pointPos = pointPos;
    while (d.digits[d.count - 1] == '0') --d.count;
    return d;
}

// FromDouble of a finite magnitude that ScaledWhole has refused.
TDecimal FromUnscaled(double magnitude)
{
    // Mostly a computed value of 16 or 17 digits: only rounding helps.
    if (magnitude >= 1e-7 && magnitude < 1e14) return FromBinary(magnitude);
    if (magnitude >= std::numeric_limits<double>::min()) {
        char buffer[40];
        auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
        const TDecimal shortest = FromScientific(buffer, result.ptr);
        if (shortest.count <= 15) return shortest;
    }
    return TDecimal::FromDoubleRounded(magnitude);
}

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
// number, or the shortest digits that read back as the double. Between
// 10^-7 and 10^14 the rest (computed values) are rounded exactly in integers;
// to_chars rounding the exact binary value is the fallback.
TDecimal TDecimal::FromDouble(double magnitude)
{
    if (!(magnitude > 0) || !std::isfinite(magnitude)) return {};
    long long whole = 0;
    int decimals = 0;
    if (ScaledWhole(magnitude, whole, decimals)) return FromScaled(whole, decimals);
    return FromUnscaled(magnitude);
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

namespace {

// The General text of a value, built as ASCII in a buffer of kGeneralBuffer
// characters. `exactFirst` takes the short way for values that need no
// rounding; without it every value goes through its decimal digits.
char* PutGeneralText(double value, char* p, bool exactFirst)
{
    if (!std::isfinite(value)) {
        constexpr std::string_view error = "#NUM!";
        return std::copy(error.begin(), error.end(), p);
    }
    if (value == 0) {
        *p++ = '0';
        return p;
    }
    if (value < 0) *p++ = '-';
    const double magnitude = std::fabs(value);
    if (!exactFirst) return PutGeneral(TDecimal::FromDouble(magnitude), p);
    long long whole = 0;
    int decimals = 0;
    if (!ScaledWhole(magnitude, whole, decimals)) return PutGeneral(FromUnscaled(magnitude), p);
    if (char* end = PutGeneralExact(whole, decimals, p)) return end;
    return PutGeneral(FromScaled(whole, decimals), p);
}

void AppendAscii(const char* begin, const char* end, UnicodeString& out)
{
    const std::size_t at = out.size();
    out.resize(at + std::size_t(end - begin));
    std::copy(begin, end, out.begin() + std::ptrdiff_t(at));
}

} // namespace

void AppendGeneral(double value, UnicodeString& out)
{
    char buffer[kGeneralBuffer];
    AppendAscii(buffer, PutGeneralText(value, buffer, true), out);
}

UnicodeString GeneralText(double value)
{
    char buffer[kGeneralBuffer];
    return UnicodeString(buffer, PutGeneralText(value, buffer, true));
}

void AppendGeneralByDigits(double value, UnicodeString& out)
{
    char buffer[kGeneralBuffer];
    AppendAscii(buffer, PutGeneralText(value, buffer, false), out);
}

} // namespace Excel::NumberFormat
