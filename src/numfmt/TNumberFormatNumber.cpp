#include "numfmt/TNumberFormatNumber.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

#include "numfmt/TNumberFormatDecimal.h"

namespace Excel::NumberFormat {

namespace {

// Places the digits of a whole number into a run of placeholders from the
// right; the leftmost placeholder takes any digits left over. The number has
// `length` digits: those of `digits`, then zeros (a decimal's trailing zeros
// are not stored).
class TPlaceholderFill {
public:
    TPlaceholderFill(std::string_view digits, int length, int placeholders, bool thousands)
        : digits_(digits), length_(length), placeholders_(placeholders), thousands_(thousands) {}

    template <typename Out> void Next(char16_t placeholder, Out& out)
    {
        int position = placeholders_ - 1 - next_;
        if (next_ == 0)
            for (int p = length_ - 1; p > position; --p) Put(p, At(p), out);
        if (position < length_) Put(position, At(position), out);
        else if (placeholder == u'0') Put(position, u'0', out);
        else if (placeholder == u'?') Put(position, u' ', out);
        ++next_;
    }

    template <typename Out> void All(Out& out)
    {
        for (int p = length_ - 1; p >= 0; --p) Put(p, At(p), out);
    }

private:
    char16_t At(int position) const
    {
        const auto k = std::size_t(length_ - 1 - position);
        return k < digits_.size() ? char16_t(digits_[k]) : u'0';
    }

    template <typename Out> void Put(int position, char16_t c, Out& out) const
    {
        out += c;
        if (thousands_ && position > 0 && position % 3 == 0) out += c == u' ' ? u' ' : u',';
    }

    std::string_view digits_;
    int length_;
    int placeholders_;
    bool thousands_;
    int next_ = 0;
};

std::string WholeDigits(const TDecimal& d)
{
    std::string s;
    if (d.IsZero() || d.pointPos <= 0) return s;
    s.reserve(d.pointPos);
    for (int k = 0; k < d.pointPos; ++k) s += char('0' + d.Digit(k));
    return s;
}

std::string IntegerDigits(long long value)
{
    if (value <= 0) return {};
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// Characters gathered on the stack and added to the text a run at a time:
// added one by one, the text's growth checks took a third of a section.
class TBufferedText {
public:
    explicit TBufferedText(UnicodeString& out) : out_(out) {}
    TBufferedText& operator+=(char16_t c)
    {
        if (used_ == Size)
            Flush();
        buffer_[used_++] = c;
        return *this;
    }
    TBufferedText& operator+=(std::u16string_view text)
    {
        Flush();
        out_ += text;
        return *this;
    }
    void Flush()
    {
        out_.append(buffer_, used_);
        used_ = 0;
    }

private:
    static constexpr std::size_t Size = 32;
    UnicodeString& out_;
    char16_t buffer_[Size];
    std::size_t used_ = 0;
};

// A whole number's placeholder fill over its own digits.
TPlaceholderFill Fill(const std::string& digits, int placeholders, bool thousands)
{
    return TPlaceholderFill(digits, int(digits.size()), placeholders, thousands);
}

long long FloorDiv(long long a, long long b)
{
    long long q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

} // namespace

void AppendNumberSection(const TSection& s, double magnitude, UnicodeString& text)
{
    TBufferedText out(text);
    TDecimal d = TDecimal::FromDouble(magnitude);
    if (!d.IsZero()) d.pointPos += 2 * s.percents - 3 * s.scaleCommas;
    long long exponent = 0;
    if (s.kind == TSectionKind::Exponent && !d.IsZero()) {
        int step = s.intDigits > 1 ? s.intDigits : 1;
        exponent = FloorDiv(d.pointPos - 1, step) * step;
        d.pointPos -= int(exponent);
        d.RoundToDecimals(s.fracDigits);
        if (d.pointPos > step) {  // 9.99 rounded up to 10.0
            exponent += step;
            d.pointPos -= step;
        }
    } else {
        d.RoundToDecimals(s.fracDigits);
    }

    // The whole part straight from the decimal's digits, with no string.
    const int wholeLength = d.IsZero() ? 0 : std::max(d.pointPos, 0);
    TPlaceholderFill whole(std::string_view(d.digits, std::size_t(std::min(wholeLength, d.count))), wholeLength,
                           s.intDigits, s.thousands);
    char exponentText[24];
    const char* exponentEnd = exponent == 0 ? exponentText
                            : std::to_chars(exponentText, exponentText + sizeof exponentText, std::llabs(exponent)).ptr;
    TPlaceholderFill expDigits(std::string_view(exponentText, std::size_t(exponentEnd - exponentText)),
                               int(exponentEnd - exponentText), s.expDigits, false);
    // Decimals after the last significant one are insignificant zeros.
    int lastSignificant = 0;
    for (int j = 1; j <= s.fracDigits; ++j)
        if (d.Digit(d.pointPos + j - 1) != 0) lastSignificant = j;
    int fracIndex = 0;
    for (const TToken& t : s.tokens) {
        switch (t.kind) {
        case TTokenKind::Literal: out += t.text; break;
        case TTokenKind::IntDigit: whole.Next(t.placeholder, out); break;
        case TTokenKind::Point:
            if (s.intDigits == 0) whole.All(out);
            out += u'.';
            break;
        case TTokenKind::FracDigit: {
            ++fracIndex;
            if (fracIndex <= lastSignificant) out += char16_t(u'0' + d.Digit(d.pointPos + fracIndex - 1));
            else if (t.placeholder == u'0') out += u'0';
            else if (t.placeholder == u'?') out += u' ';
            break;
        }
        case TTokenKind::ExpMark:
            out += u'E';
            if (exponent < 0) out += u'-';
            else if (t.plusSign) out += u'+';
            break;
        case TTokenKind::ExpDigit: expDigits.Next(t.placeholder, out); break;
        default: break;
        }
    }
    out.Flush();
}

void ApproximateFraction(double value, long long maxDenominator, long long& numerator, long long& denominator)
{
    long long p0 = 0, q0 = 1, p1 = 1, q1 = 0;
    double x = value;
    for (int i = 0; i < 64; ++i) {
        double a = std::floor(x);
        if (!(a <= 1e15)) break;
        long long ai = (long long)a;
        long long p2, q2;
        if (__builtin_mul_overflow(ai, q1, &q2) || __builtin_add_overflow(q2, q0, &q2) || q2 > maxDenominator)
            break;
        if (__builtin_mul_overflow(ai, p1, &p2) || __builtin_add_overflow(p2, p0, &p2)) break;
        p0 = p1; q0 = q1; p1 = p2; q1 = q2;
        double rest = x - a;
        if (rest < 1e-10) break;
        x = 1 / rest;
    }
    if (q1 == 0) {  // not even a whole number fits
        p1 = std::llround(value);
        q1 = 1;
    }
    numerator = p1;
    denominator = q1;
}

void AppendFractionSection(const TSection& s, double magnitude, UnicodeString& out)
{
    double x = magnitude * std::pow(100.0, s.percents);
    bool hasWhole = s.intDigits > 0;
    std::string wholeDigits, numDigits, denDigits;
    long long numerator = 0, denominator = 1;
    long long maxDen = 1;
    for (int i = 0; i < s.denDigits; ++i) maxDen *= 10;
    const long long limit = s.fixedDenominator > 0 ? s.fixedDenominator : maxDen - 1;
    // Past this no fraction part is left to show, or the numerator would
    // not fit in 64 bits: the digits come from the decimal value.
    if (x >= 1e15 || (!hasWhole && x * double(limit) >= 1e18)) {
        TDecimal d = TDecimal::FromDouble(s.fixedDenominator > 0 && !hasWhole ? x * double(limit) : x);
        d.RoundToDecimals(0);
        (hasWhole ? wholeDigits : numDigits) = WholeDigits(d);
        denominator = s.fixedDenominator > 0 ? s.fixedDenominator : 1;
    } else {
        double whole = hasWhole ? std::floor(x) : 0;
        double rest = x - whole;
        if (s.fixedDenominator > 0) {
            denominator = s.fixedDenominator;
            numerator = std::llround(rest * double(denominator));
        } else {
            ApproximateFraction(rest, limit, numerator, denominator);
        }
        if (hasWhole && numerator == denominator) {
            whole += 1;
            numerator = 0;
        }
        wholeDigits = IntegerDigits((long long)whole);
        numDigits = numerator == 0 ? std::string("0") : IntegerDigits(numerator);
    }
    bool blank = hasWhole && numerator == 0;
    if (blank && wholeDigits.empty()) wholeDigits.push_back('0');
    denDigits = IntegerDigits(denominator);

    TPlaceholderFill whole = Fill(wholeDigits, s.intDigits, s.thousands);
    TPlaceholderFill num = Fill(numDigits, s.numDigits, false);
    bool inFraction = false;
    int denIndex = 0;
    for (const TToken& t : s.tokens) {
        switch (t.kind) {
        case TTokenKind::Literal:
            if (inFraction && blank) out.append(t.text.size(), u' ');
            else out += t.text;
            break;
        case TTokenKind::IntDigit: whole.Next(t.placeholder, out); break;
        case TTokenKind::NumDigit: {
            inFraction = true;
            std::size_t before = out.size();
            num.Next(t.placeholder, out);
            if (blank) for (std::size_t i = before; i < out.size(); ++i) out[i] = u' ';
            break;
        }
        case TTokenKind::Slash: out += blank ? u' ' : u'/'; break;
        case TTokenKind::DenDigit: {
            // The denominator is aligned left; the last placeholder takes the rest.
            bool last = ++denIndex == s.denDigits;
            int i = denIndex - 1;
            if (i < int(denDigits.size())) {
                int end = last ? int(denDigits.size()) : i + 1;
                for (int k = i; k < end; ++k) out += blank ? u' ' : char16_t(denDigits[k]);
            } else if (t.placeholder != u'#') {
                out += u' ';
            }
            if (last) inFraction = false;
            break;
        }
        case TTokenKind::DenFixed: {
            std::string digits = IntegerDigits(t.number);
            for (char c : digits) out += blank ? u' ' : char16_t(c);
            inFraction = false;
            break;
        }
        default: break;
        }
    }
}

} // namespace Excel::NumberFormat
