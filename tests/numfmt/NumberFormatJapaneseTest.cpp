// Japanese-locale texts. Unless noted, the expected texts were recorded with
// LibreOffice Calc 7 (headless, locale ja-JP) from an .xlsx holding the same
// format codes and values. Where LibreOffice and Excel are known to differ,
// the Excel behaviour is expected and the note says why:
//  - LibreOffice truncates a time to the units shown (9:29:59.99 as "9:29");
//    Excel rounds to the second first ("9:30"; the recorded Excel texts show
//    12345.6789, which is 16:17:36.96, as "16:17:37").
//  - LibreOffice drops the sign of a negative number that rounds to zero;
//    Excel shows "-0.00".
//  - Under a Japanese locale LibreOffice shows ddd/dddd and mmm in Japanese
//    and AM/PM as 午前/午後; a Japanese-locale Excel keeps "Fri", "Jan" and
//    "PM" unless the code carries [$-411] (that is what aaa and 午前/午後 are for).
//  - LibreOffice cuts era years after 令和 99 and does not know [$-ja-JP].
//  - LibreOffice has no 1900-02-29; Excel's serial 60 is that day
//    (Microsoft: "Excel incorrectly assumes that the year 1900 is a leap year").

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "numfmt/TNumberFormat.h"

using Excel::TNumberFormat;
using testsupport::U;

namespace {

struct Case {
    const char* code;
    double value;
    const char* expected;
};

void ExpectAll(const std::vector<Case>& cases, bool date1904) {
    for (const auto& c : cases) {
        auto format = TNumberFormat::Compile(U(c.code));
        EXPECT_EQ(Utf16ToUtf8(format->FormatNumber(c.value, date1904)), c.expected)
            << "code " << c.code << " value " << c.value << (date1904 ? " (1904)" : "");
    }
}

} // namespace

TEST(NumberFormatJapanese, DatesAndEras) {
    ExpectAll({
        {"yyyy/m/d", 45296, "2024/1/5"},
        {"yyyy/m/d h:mm", 45296.3958333333, "2024/1/5 9:30"},
        {"[$-411]ge.m.d", 45296, "R6.1.5"},
        {"[$-411]ggge\"年\"m\"月\"d\"日\"", 45296, "令和6年1月5日"},
        {"ggge\"年\"m\"月\"d\"日\"", 45296, "令和6年1月5日"},
        {"gge", 45296, "令6"},
        {"e", 45296, "6"},
        {"ee", 45296, "06"},
        {"g", 45296, "R"},
        {"yyyy\"年\"m\"月\"d\"日\"", 45296, "2024年1月5日"},
        {"yyyy\"年\"m\"月\"", 45296, "2024年1月"},
        {"m\"月\"d\"日\"", 45296, "1月5日"},
        {"m/d/yy", 45296, "1/5/24"},
        {"yyyy/mm/dd(aaa)", 45296, "2024/01/05(金)"},
        {"yyyy/mm/dd aaaa", 45298, "2024/01/07 日曜日"},
        {"[$-411]dddd", 45298, "日曜日"},
        {"gggee\"年\"", 32516, "平成01年"},
        {"[$-411]ee", 45296, "06"},
        {"ge", 43586, "R1"},
        {"ggg", 10000, "昭和"},
        // The first and last days of the eras.
        {"[$-411]ggge\"年\"m\"月\"d\"日\"", 4593, "明治45年7月28日"},
        {"[$-411]ggge\"年\"m\"月\"d\"日\"", 4594, "明治45年7月29日"},
        {"[$-411]ggge\"年\"m\"月\"d\"日\"", 9706, "大正15年7月28日"},
        {"[$-411]ggge\"年\"", 32515, "昭和64年"},
        {"[$-411]ggge\"年\"m\"月\"d\"日\"", 32516, "平成1年1月8日"},
        {"[$-411]ggge\"年\"m\"月\"d\"日\"", 43585, "平成31年4月30日"},
        {"[$-411]ggge\"年\"m\"月\"d\"日\"", 43586, "令和1年5月1日"},
        // Excel behaviour where LibreOffice differs (see the top of the file).
        {"[$-411]ggge\"年\"", 2958465, "令和7981年"},
        {"[$-ja-JP]ggge\"年\"m\"月\"d\"日\"", 45296, "令和6年1月5日"},
        // Not from LibreOffice, which knows neither: Microsoft documents
        // [$-ja-JP-x-gannen] for 元年, and [$-F800]/[$-F400] as the system's
        // long date and time, which a Japanese Windows writes as below.
        {"[$-ja-JP-x-gannen]ggge\"年\"", 43586, "令和元年"},
        {"[$-ja-JP-x-gannen]ggge\"年\"", 43952, "令和2年"},
        {"[$-F800]dddd\\,\\ mmmm\\ dd\\,\\ yyyy", 45296, "2024年1月5日"},
        {"[$-F400]h:mm:ss\\ AM/PM", 0.75, "18:00:00"},
        {"ddd", 45296, "Fri"},
        {"dddd", 45296, "Friday"},
        {"mmm", 45296, "Jan"},
        {"[$-411]mmm", 45296, "1月"},
        {"[$-ja]dddd", 45296, "金曜日"},
        {"[$-JP]dddd", 45296, "金曜日"},
        {"[$-en]dddd", 45296, "Friday"},
    }, false);
}

TEST(NumberFormatJapanese, TimesAndAmPm) {
    ExpectAll({
        {"h\"時\"mm\"分\"ss\"秒\"", 0.39583912, "9時30分00秒"},
        {"[h]:mm", 1.5, "36:00"},
        {"[mm]:ss", 0.0625, "90:00"},
        {"[ss]", 0.5, "43200"},
        {"yyyy/m/d h:mm:ss", 45296.99999999, "2024/1/6 0:00:00"},
        {"hh:mm:ss.00", 0.123456789, "02:57:46.67"},
        {"[$-411]AM/PM h\"時\"mm\"分\"", 0.75, "午後 6時00分"},
        {"[$-411]h:mm AM/PM", 0.25, "6:00 午前"},
        // Excel rounds to the second before it shows the minutes.
        {"h\"時\"mm\"分\"", 0.3958333333, "9時30分"},
        {"h:mm:ss", 0.9999999, "0:00:00"},
        // AM/PM without a locale tag is shown as written; 午前/午後 is the
        // Japanese marker (LibreOffice shows it literally).
        {"h:mm AM/PM", 0.75, "6:00 PM"},
        {"午前/午後h:mm", 0.75, "午後6:00"},
    }, false);
}

TEST(NumberFormatJapanese, CurrencyAndNumbers) {
    ExpectAll({
        {"\"¥\"#,##0;\"¥\"\\-#,##0", -1234, "¥-1,234"},
        {"\"¥\"#,##0.00;[Red]\"¥\"\\-#,##0.00", 1234.5, "¥1,234.50"},
        {"[$¥-411]#,##0", 1234, "¥1,234"},
        {"#,##0\"円\"", 1234567, "1,234,567円"},
        {"#,##0,\"千円\"", 12345678, "12,346千円"},
        {"0.0%", 0.12345, "12.3%"},
        {"0.00E+00", 0.000123, "1.23E-04"},
    }, false);
}

TEST(NumberFormatJapanese, FormatsCommonInJapaneseWorkbooks) {
    ExpectAll({
        {"#,##0_ ;[Red]\\-#,##0\\ ", -1234, "-1,234 "},
        {"#,##0_ ;[Red]\\-#,##0\\ ", 1234, "1,234 "},
        {"#,##0;\"▲ \"#,##0", -1234, "▲ 1,234"},
        {"0_);[Red]\\(0\\)", -5, "(5)"},
        {"0_);[Red]\\(0\\)", 5, "5 "},
        {"yyyy\"年\"m\"月\"d\"日\"(aaa)", 45296, "2024年1月5日(金)"},
        {"[$-411]ggge\"年\"m\"月\"d\"日\";@", 45296, "令和6年1月5日"},
        {"h:mm;@", 0.5, "12:00"},
        {"m/d;@", 45296, "1/5"},
        {"General\"円\"", 1234, "1234円"},
        {"#,##0\"個\"", 0, "0個"},
        {"#,##0.0_ ;[Red]\\-#,##0.0\\ ", -1234.56, "-1,234.6 "},
        {"??0.00", 1.5, "  1.50"},
        {"#,##0;-#,##0;\"-\"", 0, "-"},
        {"[<=999]000;[<=9999]000\\-00;000\\-0000", 1234567, "123-4567"},
        {"[<=999]000;[<=9999]000\\-00;000\\-0000", 12, "012"},
        {"[>=1000000]0.0,,\"M\";[>=1000]0.0,\"K\";0", 1234567, "1.2M"},
        {"[>=1000000]0.0,,\"M\";[>=1000]0.0,\"K\";0", 4321, "4.3K"},
        {"#,##0.00;[Red]#,##0.00", -3, "3.00"},
        {"0%", -0.5, "-50%"},
        {"# ?/?", -0.5, "- 1/2"},
        {"$#,##0.00_);($#,##0.00)", -1234.5, "($1,234.50)"},
    }, false);
}

TEST(NumberFormatJapanese, KanjiNumerals) {
    ExpectAll({
        {"[DBNum1][$-411]General", 10, "十"},
        {"[DBNum1][$-411]General", 111, "百十一"},
        {"[DBNum1][$-411]General", 1000, "一千"},
        {"[DBNum1][$-411]General", 11111, "一万一千百十一"},
        {"[DBNum1][$-411]General", 20010, "二万十"},
        {"[DBNum1][$-411]General", 100000000, "一億"},
        {"[DBNum1][$-411]General", 0, "〇"},
        {"[DBNum1][$-411]General", 10.5, "十・五"},
        {"[DBNum1][$-411]General", -12, "-十二"},
        {"[DBNum1]General", 1234, "一千二百三十四"},
        {"[DBNum1]0", 1234, "一千二百三十四"},
        {"[DBNum1][$-411]#,##0.00", 1234567, "百二十三万四千五百六十七・〇〇"},
        {"[DBNum1][$-411]#,##0.00", 0.5, "〇・五〇"},
        {"[DBNum1][$-411]0%", 0.25, "二十五%"},
        {"[DBNum1]\"第\"0\"号\"", 12, "第十二号"},
        {"[DBNum2][$-411]General", 1234, "壱阡弐百参拾四"},
        {"[DBNum2][$-411]General", 11111, "壱萬壱阡百拾壱"},
        {"[DBNum2][$-411]General", 20010, "弐萬拾"},
        {"[DBNum2][$-411]General", 0, "零"},
        {"[DBNum2][$-411]General", 10.5, "拾・伍"},
        {"[DBNum2][$-411]#,##0", 1234, "壱阡弐百参拾四"},
        {"[DBNum3][$-411]General", 20010, "２００１０"},
        {"[DBNum3][$-411]0.00", 1234.5, "１２３４．５０"},
        {"[DBNum1][$-411]ggge\"年\"m\"月\"d\"日\"", 45296, "令和六年一月五日"},
        {"[DBNum1][$-411]yyyy\"年\"m\"月\"d\"日\"", 45296, "二〇二四年一月五日"},
        {"[DBNum1][$-411]m\"月\"d\"日\"", 45651, "十二月二十五日"},
        {"[DBNum1][$-411]yyyy/m/d", 45651, "二〇二四/十二/二十五"},
        {"[DBNum2][$-411]yyyy\"年\"m\"月\"d\"日\"", 45651, "弐零弐四年拾弐月弐拾伍日"},
        {"[DBNum3][$-411]yyyy\"年\"m\"月\"d\"日\"", 45651, "２０２４年１２月２５日"},
        // LibreOffice leaves exponent forms alone too.
        {"[DBNum1][$-411]0.00E+00", 1234.5, "1.23E+03"},
    }, false);
}

TEST(NumberFormatJapanese, DateSystem1904) {
    ExpectAll({
        {"yyyy/m/d", 45296, "2028/1/6"},
        {"yyyy/m/d h:mm", 45296.3958333333, "2028/1/6 9:30"},
        {"[$-411]ggge\"年\"m\"月\"d\"日\"", 45296, "令和10年1月6日"},
        {"yyyy/mm/dd aaaa", 45298, "2028/01/08 土曜日"},
        {"yyyy/m/d", 0, "1904/1/1"},
        // Beyond 9999-12-31 (serial 2957003 in this system).
        {"yyyy/m/d", 2957003, "9999/12/31"},
        {"yyyy/m/d", 2957004, "########"},
    }, true);
}
