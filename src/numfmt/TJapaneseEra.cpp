#include "numfmt/TJapaneseEra.h"

namespace Excel::NumberFormat {

namespace {

// Newest first. Meiji counts from 1868-01-01 as Windows' Japanese calendar does.
const TJapaneseEra kEras[] = {
    {u"令和", u"令", u"R", 2019, 5, 1},
    {u"平成", u"平", u"H", 1989, 1, 8},
    {u"昭和", u"昭", u"S", 1926, 12, 25},
    {u"大正", u"大", u"T", 1912, 7, 30},
    {u"明治", u"明", u"M", 1868, 1, 1},
};

bool OnOrAfter(int year, int month, int day, const TJapaneseEra& era)
{
    if (year != era.year) return year > era.year;
    if (month != era.month) return month > era.month;
    return day >= era.day;
}

} // namespace

const TJapaneseEra& JapaneseEraOf(int year, int month, int day)
{
    for (const auto& era : kEras)
        if (OnOrAfter(year, month, day, era)) return era;
    return kEras[sizeof kEras / sizeof kEras[0] - 1];
}

int JapaneseEraYear(int year, int month, int day)
{
    return year - JapaneseEraOf(year, month, day).year + 1;
}

} // namespace Excel::NumberFormat
