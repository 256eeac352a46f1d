#include "numfmt/TNumberFormatDate.h"

#include <cmath>

#include "numfmt/TDBNum.h"
#include "numfmt/TJapaneseEra.h"
#include "numfmt/TNumberFormatDecimal.h"
#include "numfmt/TSerialDate.h"

namespace Excel::NumberFormat {

namespace {

// A standard-width cell holds eight "#".
constexpr int kHashRun = 8;
constexpr long long kMaxSerial1900 = 2958465;  // 9999-12-31
constexpr long long kMaxSerial1904 = 2957003;

const char16_t* const kMonthShort[] = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                       u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
const char16_t* const kMonthLong[] = {u"January", u"February", u"March", u"April", u"May", u"June",
                                      u"July", u"August", u"September", u"October", u"November", u"December"};
const char16_t* const kDayShort[] = {u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"};
const char16_t* const kDayLong[] = {u"Sunday", u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday"};
const char16_t* const kDayJa[] = {u"日", u"月", u"火", u"水", u"木", u"金", u"土"};

bool JapaneseLocale(const TSection& s) { return (s.lcid & 0xFFFF) == 0x411; }
bool OtherLocale(const TSection& s) { return s.lcid != 0 && !JapaneseLocale(s); }

struct TClock {
    TCivilDate date;
    long long totalSeconds = 0;
    int hour = 0, minute = 0, second = 0;
    long long fraction = 0;  // sub-second units of the finest precision shown
};

void AppendField(const TToken& t, const TSection& s, const TClock& c, UnicodeString& out)
{
    const TCivilDate& d = c.date;
    switch (t.field) {
    case TDateField::Year:
        if (t.width == 2) AppendInteger(d.year % 100, out, 2);
        else AppendInteger(d.year, out, 4);
        break;
    case TDateField::Month: AppendInteger(d.month, out, t.width); break;
    case TDateField::MonthName:
        if (JapaneseLocale(s) && t.width < 5) {
            AppendInteger(d.month, out);
            out += u"月";
        } else if (t.width == 3) {
            out += kMonthShort[d.month - 1];
        } else if (t.width == 4) {
            out += kMonthLong[d.month - 1];
        } else {
            out += kMonthLong[d.month - 1][0];
        }
        break;
    case TDateField::Day: AppendInteger(d.day, out, t.width); break;
    case TDateField::Weekday:
        if (JapaneseLocale(s)) {
            out += kDayJa[d.weekday];
            if (t.width == 4) out += u"曜日";
        } else {
            out += (t.width == 3 ? kDayShort : kDayLong)[d.weekday];
        }
        break;
    case TDateField::WeekdayJa:
        out += kDayJa[d.weekday];
        if (t.width == 4) out += u"曜日";
        break;
    case TDateField::Hour: {
        int h = c.hour;
        if (s.hasAmPm) {
            h %= 12;
            if (h == 0) h = 12;
        }
        AppendInteger(h, out, t.width);
        break;
    }
    case TDateField::Minute: AppendInteger(c.minute, out, t.width); break;
    case TDateField::Second: AppendInteger(c.second, out, t.width); break;
    case TDateField::ElapsedHours: AppendInteger(c.totalSeconds / 3600, out, t.width); break;
    case TDateField::ElapsedMinutes: AppendInteger(c.totalSeconds / 60, out, t.width); break;
    case TDateField::ElapsedSeconds: AppendInteger(c.totalSeconds, out, t.width); break;
    case TDateField::Era:
        if (OtherLocale(s)) break;  // no era outside the Japanese calendar
        {
            const TJapaneseEra& era = JapaneseEraOf(d.year, d.month, d.day);
            out += t.width == 1 ? era.letter : t.width == 2 ? era.initial : era.name;
        }
        break;
    case TDateField::EraYear:
        if (OtherLocale(s)) AppendInteger(d.year, out, 4);
        else if (s.gannen && JapaneseEraYear(d.year, d.month, d.day) == 1) out += u"元";
        else AppendInteger(JapaneseEraYear(d.year, d.month, d.day), out, t.width);
        break;
    case TDateField::BuddhistYear:
        if (t.width == 2) AppendInteger((d.year + 543) % 100, out, 2);
        else AppendInteger(d.year + 543, out);
        break;
    }
}

} // namespace

void AppendHashes(UnicodeString& out) { out.append(kHashRun, u'#'); }

bool SerialToDate(long long days, bool date1904, TCivilDate& date)
{
    if (days < 0 || days > (date1904 ? kMaxSerial1904 : kMaxSerial1900)) return false;
    date.weekday = int((days + (date1904 ? 5 : 6)) % 7);
    if (!date1904 && days == 0) {
        date.year = 1900; date.month = 1; date.day = 0;
    } else if (!date1904 && days == 60) {
        date.year = 1900; date.month = 2; date.day = 29;
    } else {
        const auto ymd = BaseDaysToDate(SerialToBaseDays(days, date1904));
        date.year = int(ymd.year());
        date.month = int(unsigned(ymd.month()));
        date.day = int(unsigned(ymd.day()));
    }
    return true;
}

void AppendDateSection(const TSection& s, double value, bool date1904, UnicodeString& out)
{
    if (!std::isfinite(value)) { AppendHashes(out); return; }
    if (value < 0) {
        // Only the 1904 system shows negative times, with a minus sign.
        if (!date1904) { AppendHashes(out); return; }
        out += u'-';
        value = -value;
    }
    long long scale = 1;
    for (int i = 0; i < s.subSecondDigits; ++i) scale *= 10;
    const long long unitsPerDay = 86400 * scale;
    const double limit = double(date1904 ? kMaxSerial1904 : kMaxSerial1900) + 1;
    if (value >= limit) { AppendHashes(out); return; }
    long long units = std::llround(value * double(unitsPerDay));
    TClock c;
    long long days = units / unitsPerDay;
    if (!SerialToDate(days, date1904, c.date)) { AppendHashes(out); return; }
    long long rest = units % unitsPerDay;
    long long secondOfDay = rest / scale;
    c.fraction = rest % scale;
    c.totalSeconds = units / scale;
    c.hour = int(secondOfDay / 3600);
    c.minute = int(secondOfDay / 60 % 60);
    c.second = int(secondOfDay % 60);

    for (const TToken& t : s.tokens) {
        switch (t.kind) {
        case TTokenKind::Literal: out += t.text; break;
        case TTokenKind::DatePart:
            if (s.dbnum) {
                // Years are written digit by digit (二〇二四), other fields spelled (十二).
                UnicodeString field;
                AppendField(t, s, c, field);
                bool spelled = t.field != TDateField::Year && t.field != TDateField::BuddhistYear;
                out += ApplyDBNum(field, s.dbnum, spelled);
            } else {
                AppendField(t, s, c, out);
            }
            break;
        case TTokenKind::AmPm: {
            bool pm = c.hour >= 12;
            switch (t.ampm) {
            case TAmPmStyle::Upper:
                if (JapaneseLocale(s)) out += pm ? u"午後" : u"午前";
                else out += pm ? u"PM" : u"AM";
                break;
            case TAmPmStyle::LetterUpper: out += pm ? u'P' : u'A'; break;
            case TAmPmStyle::LetterLower: out += pm ? u'p' : u'a'; break;
            case TAmPmStyle::Japanese: out += pm ? u"午後" : u"午前"; break;
            }
            break;
        }
        case TTokenKind::SubSecond: {
            // Each field shows the leading digits of the finest fraction shown.
            UnicodeString digits;
            AppendInteger(c.fraction, digits, s.subSecondDigits);
            digits.resize(std::size_t(t.width));
            out += u'.';
            out += s.dbnum ? ApplyDBNum(digits, s.dbnum, false) : digits;
            break;
        }
        default: break;
        }
    }
}

} // namespace Excel::NumberFormat
