#include "numfmt/TSerialDate.h"

namespace Excel {

namespace {

using namespace std::chrono;

constexpr sys_days kBase{year{1899} / 12 / 30};
constexpr long long kDate1904 = 1462;

} // namespace

long long SerialToBaseDays(long long serial, bool date1904)
{
    if (date1904)
        return serial + kDate1904;
    return serial >= 1 && serial < 60 ? serial + 1 : serial;
}

long long DateToSerial(year_month_day date, bool date1904)
{
    const long long days = (sys_days{date} - kBase).count();
    if (date1904)
        return days - kDate1904;
    return days >= 1 && days <= 60 ? days - 1 : days;
}

year_month_day BaseDaysToDate(long long days)
{
    return year_month_day{kBase + std::chrono::days{days}};
}

} // namespace Excel
