#include "readers/ods/TOdsValue.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>

#include "numfmt/TSerialDate.h"

namespace Excel {

namespace {

// Reads 1 to `maxDigits` decimal digits.
bool ReadDigits(std::string_view& s, int maxDigits, std::int64_t& value, int minDigits = 1)
{
    int count = 0;
    value = 0;
    while (!s.empty() && s.front() >= '0' && s.front() <= '9' && count < maxDigits) {
        value = value * 10 + (s.front() - '0');
        s.remove_prefix(1);
        ++count;
    }
    return count >= minDigits;
}

bool Take(std::string_view& s, char c)
{
    if (s.empty() || s.front() != c)
        return false;
    s.remove_prefix(1);
    return true;
}

// Digits with an optional fraction, as a double.
bool ReadDecimal(std::string_view& s, double& value)
{
    std::size_t n = 0;
    while (n < s.size() && ((s[n] >= '0' && s[n] <= '9') || s[n] == '.'))
        ++n;
    if (n == 0)
        return false;
    const auto r = std::from_chars(s.data(), s.data() + n, value, std::chars_format::fixed);
    if (r.ec != std::errc() || r.ptr != s.data() + n)
        return false;
    s.remove_prefix(n);
    return true;
}

} // namespace

std::optional<double> ParseOdsNumber(std::string_view text)
{
    double value = 0;
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<TOdsDate> ParseOdsDate(std::string_view s)
{
    const bool negative = Take(s, '-');
    std::int64_t year, month, day, hour = 0, minute = 0;
    double second = 0;
    if (!ReadDigits(s, 6, year, 4) || !Take(s, '-') || !ReadDigits(s, 2, month, 2) || !Take(s, '-') ||
        !ReadDigits(s, 2, day, 2))
        return std::nullopt;
    if (negative)
        year = -year;
    // Years the calendar arithmetic cannot hold are no dates to show.
    if (year < -32767 || year > 32767)
        return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year{int(year)}, std::chrono::month(unsigned(month)),
                                           std::chrono::day(unsigned(day))};
    if (month < 1 || day < 1 || !date.ok())
        return std::nullopt;
    if (Take(s, 'T')) {
        if (!ReadDigits(s, 2, hour, 2) || !Take(s, ':') || !ReadDigits(s, 2, minute, 2) || !Take(s, ':') ||
            !ReadDecimal(s, second))
            return std::nullopt;
        if (hour > 24 || minute > 59 || second >= 61)
            return std::nullopt;
    }
    // A zone suffix names the writer's zone; the displayed date ignores it.
    if (!s.empty() && s != "Z" && s.front() != '+' && s.front() != '-')
        return std::nullopt;
    const double fraction = (hour * 3600 + minute * 60 + second) / 86400.0;
    const long long days = DateToSerial(date, false);
    return TOdsDate{static_cast<double>(days) + fraction, fraction != 0};
}

std::optional<double> ParseOdsDuration(std::string_view s)
{
    const bool negative = Take(s, '-');
    if (!Take(s, 'P'))
        return std::nullopt;
    double days = 0;
    bool any = false;
    // Days, then after "T" hours, minutes and seconds, each optional.
    auto part = [&](char unit, double scale) {
        std::string_view probe = s;
        double value = 0;
        if (!ReadDecimal(probe, value) || !Take(probe, unit))
            return;
        s = probe;
        days += value * scale;
        any = true;
    };
    part('D', 1);
    if (Take(s, 'T')) {
        part('H', 1.0 / 24);
        part('M', 1.0 / 1440);
        part('S', 1.0 / 86400);
    }
    if (!any || !s.empty() || !std::isfinite(days))
        return std::nullopt;
    return negative ? -days : days;
}

} // namespace Excel
