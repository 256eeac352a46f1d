#include "workbook/TCellText.h"

#include <charconv>
#include <cmath>

#include "text/TConvert.h"
#include "numfmt/TNumberFormatDecimal.h"
#include "numfmt/TSerialDate.h"
#include "workbook/EOleException.h"

namespace Excel {

namespace {

// The day after 9999/12/31 in the 1900 system: later serials have no date.
constexpr double LastSerial = 2958466.0;

} // namespace

UnicodeString NumberToText(double value)
{
    if (value == 0)
        return u"0";
    // A whole number a 64-bit integer can hold is an integer to the variant
    // conversion: all its digits, never "1E+15".
    char buffer[40];
    if (std::trunc(value) == value && std::fabs(value) < 9.2e18) {
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value)).ptr;
        return UnicodeString(buffer, end);
    }
    // As "%.15G" gives it ("0.3", "1.5E-07", "INF"), without printf's cost.
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15).ptr;
    UnicodeString text(buffer, end);
    for (auto& c : text)
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
    return text;
}

UnicodeString SerialToDateText(double serial, bool date1904)
{
    // A date value counts days from 1899/12/30, so the phantom 29 February
    // 1900 shows as the 28th.
    const double whole = std::floor(serial);
    long long days = SerialToBaseDays(static_cast<long long>(whole), date1904);
    long long seconds = std::llround((serial - whole) * 86400.0);
    if (seconds >= 86400) {
        ++days;
        seconds -= 86400;
    }
    const bool hasTime = seconds != 0;
    const bool hasDate = days != 0 || !hasTime;

    UnicodeString text;
    if (hasDate) {
        const auto date = BaseDaysToDate(days);
        text = ZeroPad(int(date.year()), 4) + u"/" + ZeroPad(unsigned(date.month()), 2) + u"/" +
               ZeroPad(unsigned(date.day()), 2);
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
    // Format 0 is General, most cells' format: it needs no call through the
    // compiled format.
    switch (cell->type) {
    case TCellType::Empty:
        return {};
    case TCellType::Number:
        if (cell->style == 0)
            return NumberFormat::GeneralText(cell->number);
        return book.Format(cell->style).FormatNumber(cell->number, book.date1904);
    case TCellType::String:
        if (cell->style == 0)
            return book.String(cell->text);
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
