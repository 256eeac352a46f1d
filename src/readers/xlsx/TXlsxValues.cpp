#include "readers/xlsx/TXlsxValues.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>

#include "numfmt/TSerialDate.h"
#include "text/TConvert.h"

namespace Excel {

namespace {

bool ReadDigits(std::string_view& s, std::size_t count, int& out)
{
    if (s.size() < count)
        return false;
    out = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        out = out * 10 + (s[i] - '0');
    }
    s.remove_prefix(count);
    return true;
}

bool Eat(std::string_view& s, char c)
{
    if (s.empty() || s.front() != c)
        return false;
    s.remove_prefix(1);
    return true;
}

// "HH:MM[:SS[.fff]]" into a fraction of a day.
bool ReadTime(std::string_view& s, double& fraction)
{
    int h = 0, m = 0, sec = 0;
    if (!ReadDigits(s, 2, h) || !Eat(s, ':') || !ReadDigits(s, 2, m))
        return false;
    double seconds = 0;
    if (Eat(s, ':')) {
        if (!ReadDigits(s, 2, sec))
            return false;
        seconds = sec;
        if (Eat(s, '.')) {
            double scale = 0.1;
            bool any = false;
            while (!s.empty() && s.front() >= '0' && s.front() <= '9') {
                seconds += (s.front() - '0') * scale;
                scale /= 10;
                any = true;
                s.remove_prefix(1);
            }
            if (!any)
                return false;
        }
    }
    if (h > 24 || m > 59 || seconds >= 61)
        return false;
    fraction = (h * 3600.0 + m * 60.0 + seconds) / 86400.0;
    return true;
}

} // namespace

void DecodeXmlEscapes(std::string& text)
{
    std::size_t i = text.find("_x");
    if (i == std::string::npos)
        return;
    // The value of the escape at k, or -1.
    const auto escape = [&](std::size_t k) {
        if (k + 6 >= text.size() || text[k] != '_' || text[k + 1] != 'x' || text[k + 6] != '_')
            return -1;
        int value = 0;
        for (std::size_t d = k + 2; d < k + 6; ++d) {
            const int digit = HexDigitValue(static_cast<unsigned char>(text[d]));
            if (digit < 0)
                return -1;
            value = value * 16 + digit;
        }
        return value;
    };
    std::string out(text, 0, i);
    while (i < text.size()) {
        const int value = escape(i);
        if (value < 0) {
            out += text[i++];
            continue;
        }
        i += 7;
        char32_t c = static_cast<char32_t>(value);
        if (IsHighSurrogate(c)) {
            const int low = escape(i);
            if (low >= 0 && IsLowSurrogate(static_cast<char32_t>(low))) {
                c = CombineSurrogates(c, static_cast<char32_t>(low));
                i += 7;
            }
        }
        AppendUtf8(out, c);
    }
    text = std::move(out);
}

const char* TShortDecimal::Scan(const char* p, const char* end)
{
    if (p < end && *p == '-') {
        negative = true;
        ++p;
    }
    for (; p < end; ++p) {
        const unsigned digit = static_cast<unsigned char>(*p) - unsigned('0');
        if (digit <= 9) {
            digits = digits * 10 + digit;  // wraps past 19 digits, which Value refuses anyway
            ++count;
            fraction += fraction >= 0;
        } else if (*p == '.' && fraction < 0 && count > 0) {
            fraction = 0;
        } else {
            break;
        }
    }
    return p;
}

std::optional<double> TShortDecimal::Value() const
{
    static constexpr double Tens[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (count == 0 || count > 15 || fraction == 0)
        return std::nullopt;
    const double value = static_cast<double>(digits) / Tens[fraction < 0 ? 0 : fraction];
    return negative ? -value : value;
}

std::optional<double> ParseXmlNumber(std::string_view text)
{
    TShortDecimal decimal;
    if (decimal.Scan(text.data(), text.data() + text.size()) == text.data() + text.size())
        if (const auto value = decimal.Value())
            return value;
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n' || text.front() == '\r'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    if (text.empty())
        return std::nullopt;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

double DateSerial(int year, int month, int day, bool date1904)
{
    const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month(unsigned(month)),
                                           std::chrono::day(unsigned(day))};
    return static_cast<double>(DateToSerial(date, date1904));
}

std::optional<double> ParseIsoDateTime(std::string_view text, bool date1904)
{
    std::string_view s = text;
    double days = 0;
    bool hasDate = false;
    if (s.size() >= 10 && s[4] == '-') {
        int y = 0, m = 0, d = 0;
        if (!ReadDigits(s, 4, y) || !Eat(s, '-') || !ReadDigits(s, 2, m) || !Eat(s, '-') ||
            !ReadDigits(s, 2, d))
            return std::nullopt;
        if (m < 1 || m > 12 || d < 1 || d > 31)
            return std::nullopt;
        days = DateSerial(y, m, d, date1904);
        hasDate = true;
        if (!Eat(s, 'T') && !Eat(s, ' ')) {
            if (!s.empty() && s != "Z")
                return std::nullopt;
            return days;
        }
    }
    double fraction = 0;
    if (!ReadTime(s, fraction))
        return std::nullopt;
    Eat(s, 'Z');
    if (!s.empty())
        return std::nullopt;
    return (hasDate ? days : 0) + fraction;
}

} // namespace Excel
