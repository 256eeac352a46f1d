#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "support/TestSupport.h"
#include "numfmt/TNumberFormat.h"

using Excel::TNumberFormat;
using testsupport::U;

namespace {

std::string Show(const std::string& code, double value, bool date1904 = false) {
    return Utf16ToUtf8(TNumberFormat::Compile(U(code))->FormatNumber(value, date1904));
}

struct Case {
    const char* code;
    double value;
    const char* expected;
};

void ExpectAll(const std::vector<Case>& cases, bool date1904 = false) {
    for (const auto& c : cases)
        EXPECT_EQ(Show(c.code, c.value, date1904), c.expected) << "code " << c.code << " value " << c.value;
}

} // namespace

TEST(NumberFormat, MalformedCodesShowGeneralText) {
    const std::string tooManyDigits(300, '0');
    const std::string tooManyDecimals = "0." + std::string(31, '0');
    for (const std::string code : {"\"0.00", "[Red", "0]", "[>abc]0", "[>]0", "[<=1e999x]0", "0;0;0;0;0", "0\\",
                                   "[Bogus]0", "yyyy 0", "0_", "hh:mm.0000", "0.00E+000000", "# ?/1234567890", "0]0",
                                   "General 0", tooManyDigits.c_str(), tooManyDecimals.c_str()}) {
        auto format = TNumberFormat::Compile(U(code));
        EXPECT_EQ(Utf16ToUtf8(format->FormatNumber(1234.5, false)), "1234.5") << code;
        EXPECT_EQ(Utf16ToUtf8(format->FormatText(u"abc")), "abc") << code;
        EXPECT_FALSE(format->IsDateTime()) << code;
    }
    EXPECT_EQ(Show("", -2.5), "-2.5");
}

TEST(NumberFormat, ArbitraryCodesNeverFailOrExplode) {
    // Codes made of the characters that carry meaning, in random order.
    const std::u16string alphabet = u"0#?.,%E+-/;@\"\\_*[]$<>=hmsdyaAPgeb GeneralDBNum1年¥";
    std::mt19937 random(12345);
    const double values[] = {0, 1, -1, 0.5, 1234.5678, -98765.4321, 1e300, -1e-300, 45296.75, 2958466,
                             std::numeric_limits<double>::infinity(), std::nan("")};
    for (int i = 0; i < 20000; ++i) {
        std::u16string code;
        const int length = int(random() % 24);
        for (int k = 0; k < length; ++k) code += alphabet[random() % alphabet.size()];
        auto format = TNumberFormat::Compile(code);
        for (double v : values) {
            // Bounded: at most the 309 digits of a huge number and the code's own text.
            EXPECT_LT(format->FormatNumber(v, i % 2 == 0).size(), 2000u) << Utf16ToUtf8(code);
        }
        EXPECT_LT(format->FormatText(u"text").size(), 200u);
    }
}

TEST(NumberFormat, RoundsHalfAwayFromZeroOnTheShownDecimals) {
    ExpectAll({
        {"0.00", 1.005, "1.01"},   // 1.00499999999999989... in binary
        {"0.00", -1.005, "-1.01"},
        {"0", 0.5, "1"},
        {"0", 2.5, "3"},
        {"0", -2.5, "-3"},
        {"#,##0", 1234.5, "1,235"},
        {"0.0", 0.05, "0.1"},
        {"0.0%", 0.00125, "0.1%"},
        {"0.00", 999.995, "1000.00"},
        {"#,##0", 999999.5, "1,000,000"},
        {"0.0E+0", 9.96, "1.0E+1"},
        // Excel keeps the sign of a negative number that rounds to zero.
        {"0.00", -0.001, "-0.00"},
        {"#,##0", -0.4, "-0"},
    });
}

TEST(NumberFormat, GeneralFitsElevenCharacters) {
    ExpectAll({
        {"General", 1e100, "1E+100"},
        {"General", 1.23456789e-100, "1.2346E-100"},
        {"General", 99999999999.5, "1E+11"},
        {"General", 99999999999.4, "99999999999"},
        {"General", -1234567.891, "-1234567.891"},
        {"General", 0.1 + 0.2, "0.3"},
        {"General", 1.0 / 3, "0.333333333"},
        {"General", -2.0 / 3, "-0.666666667"},
        {"General", 123456.7890123, "123456.789"},
        {"General", 5e-324, "4.9407E-324"},
    });
    EXPECT_EQ(Show("General", std::numeric_limits<double>::infinity()), "#NUM!");
}

TEST(NumberFormat, HugeNumbersKeepFifteenSignificantDigits) {
    std::string shown = Show("0", 1e300);
    EXPECT_EQ(shown.size(), 301u);
    EXPECT_EQ(shown.substr(0, 16), "1000000000000000");
    EXPECT_EQ(Show("#,##0", 123456789012345678.0), "123,456,789,012,346,000");
}

TEST(NumberFormat, DatesFollowExcelsCalendar) {
    ExpectAll({
        {"yyyy/m/d", 0, "1900/1/0"},
        {"ggge", 0, "明治33"},
        {"yyyy/m/d", 1, "1900/1/1"},
        {"yyyy/m/d", 59, "1900/2/28"},
        {"yyyy/m/d", 60, "1900/2/29"},  // the day Excel believes in
        {"yyyy/m/d", 61, "1900/3/1"},
        {"ddd", 1, "Sun"},
        {"ddd", 61, "Thu"},
        {"yyyy/m/d", 2958465, "9999/12/31"},
        {"yyyy/m/d", 2958466, "########"},
        {"yyyy/m/d", 2958465.999999999, "########"},  // rounds into year 10000
        {"yyyy/m/d", -1, "########"},
        {"h:mm", -0.5, "########"},
        {"yy-mm-dd", 45296, "24-01-05"},
        {"yyy", 45296, "2024"},
        {"mmmmm", 45296, "J"},
        {"mmmm d, yyyy", 45296, "January 5, 2024"},
        {"b", 45296, "67"},
        {"bbbb", 45296, "2567"},
    });
    EXPECT_EQ(Show("yyyy/m/d", std::nan("")), "########");
}

TEST(NumberFormat, TimesRoundToTheFinestUnitShown) {
    ExpectAll({
        {"h:mm AM/PM", 0, "12:00 AM"},
        {"h:mm AM/PM", 0.5, "12:00 PM"},
        {"h:mm A/P", 0.75, "6:00 P"},
        {"h:mm a/p", 0.25, "6:00 a"},
        {"[h]:mm:ss", 2.5, "60:00:00"},
        {"[hh]", 0.125, "03"},
        {"mm:ss", 0.5 / 1440, "00:30"},
        {"h:mm:ss", 0.5 / 86400, "0:00:01"},
        {"ss.0", 59.96 / 86400, "00.0"},
        {"mm:ss.000", 1.0005 / 86400, "00:01.001"},
        {"hh:mm", 0.6666666, "16:00"},
    });
    // Only the 1904 system shows negative times.
    EXPECT_EQ(Show("h:mm", -1.0 / 24, true), "-1:00");
    EXPECT_EQ(Show("[h]:mm;\"minus \"[h]:mm", -1.0 / 24, true), "minus 1:00");
    EXPECT_EQ(Show("[h]:mm;\"minus \"[h]:mm", -1.0 / 24, false), "########");
}

TEST(NumberFormat, SectionsAndConditions) {
    const std::string code = "0;(0);\"zero\";\"text: \"@";
    ExpectAll({
        {code.c_str(), 5, "5"},
        {code.c_str(), -5, "(5)"},
        {code.c_str(), 0, "zero"},
        {"[>=100]\"big\";[<0]\"neg\";\"small\"", 150, "big"},
        {"[>=100]\"big\";[<0]\"neg\";\"small\"", -1, "neg"},
        {"[>=100]\"big\";[<0]\"neg\";\"small\"", 50, "small"},
        {"0;;", -3, ""},
        {";;;", 3, ""},
        {"\"a;b\"0", 5, "a;b5"},
        {"0_)\\;*-", 5, "5 ;"},
        {"[Color12]0.0;[赤]-0.0", -2, "-2.0"},
        {"[$-409]0.00", 1.5, "1.50"},
        {"[$USD] 0", 3, "USD 3"},
        {"G/標準\"円\"", 1234, "1234円"},
    });
    auto format = TNumberFormat::Compile(U(code));
    EXPECT_EQ(Utf16ToUtf8(format->FormatText(u"abc")), "text: abc");
    EXPECT_EQ(Utf16ToUtf8(format->FormatText(u"")), "");
    EXPECT_EQ(Utf16ToUtf8(TNumberFormat::Compile(u"\"<\"@\">\"")->FormatText(u"x")), "<x>");
    EXPECT_EQ(Utf16ToUtf8(TNumberFormat::Compile(u"0.00")->FormatText(u"x")), "x");
}

TEST(NumberFormat, BuiltInFormats) {
    EXPECT_EQ(TNumberFormat::BuiltInCode(0), u"General");
    EXPECT_EQ(TNumberFormat::BuiltInCode(14), u"yyyy/m/d");
    EXPECT_EQ(TNumberFormat::BuiltInCode(22), u"yyyy/m/d h:mm");
    EXPECT_EQ(TNumberFormat::BuiltInCode(28), U("[$-411]ggge\"年\"m\"月\"d\"日\""));
    for (int id : {-1, 23, 26, 59, 164}) EXPECT_TRUE(TNumberFormat::BuiltInCode(id).empty()) << id;

    for (int id = 0; id <= 58; ++id) {
        UnicodeString code = TNumberFormat::BuiltInCode(id);
        if (code.empty()) continue;
        bool date = (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || id >= 50;
        EXPECT_EQ(TNumberFormat::Compile(code)->IsDateTime(), date) << id;
    }

    struct BuiltIn {
        int id;
        double value;
        const char* expected;
    };
    for (const auto& b : std::vector<BuiltIn>{
             {5, -1234, "¥-1,234"},
             {6, 1234, "¥1,234"},
             {7, -0.5, "¥-0.50"},
             {8, 1234.5, "¥1,234.50"},
             {14, 45296, "2024/1/5"},
             {22, 45296.3958333333, "2024/1/5 9:30"},
             {27, 45296, "R6.1.5"},
             {28, 45296, "令和6年1月5日"},
             {31, 45296, "2024年1月5日"},
             {32, 0.3958333333, "9時30分"},
             {33, 0.3958333333, "9時30分00秒"},
             {34, 45296, "2024年1月"},
             {35, 45296, "1月5日"},
             {30, 45296, "1/5/24"},
             {46, 1.5, "36:00:00"},
             {41, -1234, " -1,234 "},
             {42, 1234, " ¥1,234 "},
             {43, 0, " -   "},
             {44, -1234.5, " ¥-1,234.50 "},
             {43, 1234.5, " 1,234.50 "},
             {57, 32516, "H1.1.8"},
         }) {
        EXPECT_EQ(Utf16ToUtf8(TNumberFormat::Compile(TNumberFormat::BuiltInCode(b.id))->FormatNumber(b.value, false)),
                  b.expected)
            << "id " << b.id;
    }
    EXPECT_EQ(TNumberFormat::FormatBoolean(true), u"TRUE");
    EXPECT_EQ(TNumberFormat::FormatBoolean(false), u"FALSE");
}

TEST(NumberFormat, FractionsOfHugeValuesStayExact) {
    ExpectAll({
        {"# ?/?", 1e16, "10000000000000000    "},
        {"?\?/??", 1e17, "100000000000000000/1 "},
        {"?/8", 1e17, "800000000000000000/8"},
        {"?/?", 12345678901.5, "24691357803/2"},
        {"# ?/?", 0.999, "1    "},
        {"# ?/4", 2.9, "3    "},
    });
}
