#include "workbook/TCellText.h"

#include <cmath>
#include <cstdio>

#include "text/TConvert.h"
#include "workbook/EOleException.h"

namespace Excel {

namespace {

// The day after 9999/12/31 in the 1900 system: later serials have no date.
constexpr double LastSerial = 2958466.0;

void CivilFromDays(long long z, int& year, int& month, int& day)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

} // namespace

UnicodeString NumberToText(double value)
{
    if (value == 0)
        return u"0";
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    return Utf8ToUtf16(buffer);
}

UnicodeString SerialToDateText(double serial, bool date1904)
{
    // Days counted from 1899/12/30, the base of a date value; the 1900
    // system's serials before 1 March 1900 are one day off that base.
    double oleDate = serial;
    if (date1904)
        oleDate = serial + 1462;
    else if (serial >= 1 && serial < 60)
        oleDate = serial + 1;

    long long days = static_cast<long long>(std::floor(oleDate));
    long long seconds = std::llround((oleDate - static_cast<double>(days)) * 86400.0);
    if (seconds >= 86400) {
        ++days;
        seconds -= 86400;
    }
    const bool hasTime = seconds != 0;
    const bool hasDate = days != 0 || !hasTime;

    UnicodeString text;
    if (hasDate) {
        int y = 0, m = 0, d = 0;
        // 1899/12/30 is 25569 days before 1970/01/01.
        CivilFromDays(days - 25569, y, m, d);
        text = ZeroPad(y, 4) + u"/" + ZeroPad(m, 2) + u"/" + ZeroPad(d, 2);
    }
    if (hasTime) {
        if (!text.empty())
            text += u" ";
        text += IntToStr(seconds / 3600) + u":" + ZeroPad(seconds / 60 % 60, 2) + u":" +
                ZeroPad(seconds % 60, 2);
    }
    return text;
}

UnicodeString DisplayText(const TWorkbookData& book, const TCellData* cell)
{
    if (!cell)
        return {};
    if (cell->shown != NoText)
        return book.String(cell->shown);
    switch (cell->type) {
    case TCellType::Empty:
        return {};
    case TCellType::Number:
        return book.Format(cell->style).FormatNumber(cell->number, book.date1904);
    case TCellType::String:
        return book.Format(cell->style).FormatText(book.String(cell->text));
    case TCellType::Boolean:
        return cell->number != 0 ? u"TRUE" : u"FALSE";
    case TCellType::Error:
        return book.String(cell->text);
    }
    return {};
}

UnicodeString ValueText(const TWorkbookData& book, const TCellData* cell)
{
    if (!cell)
        return {};
    switch (cell->type) {
    case TCellType::Empty:
        return {};
    case TCellType::Number:
        if (book.Format(cell->style).IsDateTime() && cell->number >= 0 &&
            cell->number + (book.date1904 ? 1462 : 0) < LastSerial)
            return SerialToDateText(cell->number, book.date1904);
        return NumberToText(cell->number);
    case TCellType::String:
        return book.String(cell->text);
    case TCellType::Boolean:
        return cell->number != 0 ? u"True" : u"False";
    case TCellType::Error:
        throw EVariantError(u"バリアント型 (Error) を (UnicodeString) に変換できません。");
    }
    return {};
}

} // namespace Excel
