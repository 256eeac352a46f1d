#pragma once

#include <cstdint>
#include <vector>

#include "text/UnicodeString.h"

namespace Excel::NumberFormat {

// One element of a compiled section. Which fields matter depends on kind.
enum class TTokenKind : std::uint8_t {
    Literal,     // text shown as written
    IntDigit,    // 0 # ? before the decimal point
    FracDigit,   // 0 # ? after the decimal point
    Point,       // decimal point
    ExpMark,     // E+ / E- (plusSign tells which)
    ExpDigit,    // placeholder of the exponent
    NumDigit,    // fraction numerator placeholder
    Slash,       // fraction bar
    DenDigit,    // fraction denominator placeholder
    DenFixed,    // fixed denominator (value in number)
    General,     // the General text of the value
    Text,        // @: the cell text
    DatePart,    // a date or time field (field, width)
    SubSecond,   // .0 .00 .000 (width digits)
    AmPm,        // AM/PM, A/P or 午前/午後 (ampm style)
};

enum class TDateField : std::uint8_t {
    Year, Month, MonthName, Day, Weekday, WeekdayJa, Hour, Minute, Second,
    ElapsedHours, ElapsedMinutes, ElapsedSeconds, Era, EraYear, BuddhistYear
};

enum class TAmPmStyle : std::uint8_t { Upper, LetterUpper, LetterLower, Japanese };

struct TToken {
    TTokenKind kind = TTokenKind::Literal;
    char16_t placeholder = u'0';   // '0', '#' or '?'
    bool plusSign = false;         // ExpMark
    TDateField field = TDateField::Year;
    TAmPmStyle ampm = TAmPmStyle::Upper;
    int width = 0;                 // letters of a date field, digits of SubSecond
    long long number = 0;          // fixed denominator
    UnicodeString text;            // Literal
};

enum class TSectionKind : std::uint8_t { Number, Fraction, Exponent, General, DateTime, Text, LiteralOnly };

enum class TConditionOp : std::uint8_t { None, Less, LessEqual, Greater, GreaterEqual, Equal, NotEqual };

struct TSection {
    TSectionKind kind = TSectionKind::General;
    std::vector<TToken> tokens;

    TConditionOp condition = TConditionOp::None;
    double conditionValue = 0;

    unsigned lcid = 0;             // locale of [$-xxx]; 0 when none
    bool gannen = false;           // [$-ja-JP-x-gannen]: first era year as 元
    int dbnum = 0;                 // [DBNum1..3]

    // Number layout, counted over tokens.
    int intDigits = 0;
    int fracDigits = 0;
    int expDigits = 0;
    int numDigits = 0;
    int denDigits = 0;
    long long fixedDenominator = 0;
    bool thousands = false;
    int scaleCommas = 0;           // each divides by 1000
    int percents = 0;              // each multiplies by 100
    bool hasPoint = false;

    // Date layout.
    bool hasAmPm = false;
    int subSecondDigits = 0;       // finest fraction of a second shown
    bool hasDate = false;          // shows a calendar field (needs a valid day)

    bool Matches(double value) const;
};

} // namespace Excel::NumberFormat
