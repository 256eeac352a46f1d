#pragma once

// Serial day numbers of the two date systems of a workbook, and the calendar
// dates they stand for. The one copy of that arithmetic: the number formats,
// the cell values and every reader use it.

#include <chrono>

namespace Excel {

// Excel's 1900 system counts 1900 as a leap year, as Lotus 1-2-3 did: serial
// 60 is a 29 February 1900 that never was. So serials 1..59 lie one day
// further from 1899-12-30 than their number says, and serial 0 is
// "1900-01-00". The 1904 system counts plain days from 1904-01-01, which is
// day 1462 after 1899-12-30.

// Days after 1899-12-30 (the base of an automation date value) of a serial
// day: the real calendar day, 1900-02-28 for the phantom 60.
long long SerialToBaseDays(long long serial, bool date1904);

// The serial day of a calendar date (the inverse of SerialToBaseDays).
long long DateToSerial(std::chrono::year_month_day date, bool date1904);

// The calendar date `days` after 1899-12-30.
std::chrono::year_month_day BaseDaysToDate(long long days);

} // namespace Excel
