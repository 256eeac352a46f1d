#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <random>
#include <string>

#include "support/TestSupport.h"
#include "workbook/EOleException.h"
#include "workbook/TCellText.h"
#include "readers/xlsx/TXlsxPackage.h"
#include "readers/xlsx/TXlsxValues.h"
#include "workbook/TGrid.h"

using namespace Excel;
using testsupport::U;

namespace {

TEST(XlsxValues, DecodesEscapedCharacters)
{
    const std::pair<std::string, std::string> cases[] = {
        {"ABC_x000D_DEF", "ABC\rDEF"},
        {"_x000D__x000A_", "\r\n"},
        {"_x005F_x000D_", "_x000D_"},  // an escaped underscore keeps the rest literal
        {"_x00e9_", "\u00e9"},
        {"_x30C6__x30B9__x30C8_", "テスト"},
        {"表_x0009_", "表\t"},
        {"_xD83D__xDE00_", "\U0001F600"},     // a pair makes one character
        {"_xD83D_x", "\xED\xA0\xBD" "x"},    // a lone surrogate keeps its three bytes
        {"_xDE00__xD83D_", "\xED\xB8\x80\xED\xA0\xBD"},
        {"_x00G1_", "_x00G1_"},
        {"_x000D", "_x000D"},
        {"x000D_", "x000D_"},
        {"plain_text_", "plain_text_"},
        {"", ""},
    };
    for (const auto& [in, out] : cases) {
        std::string text = in;
        DecodeXmlEscapes(text);
        EXPECT_EQ(text, out) << in;
    }
}

TEST(XlsxValues, ParsesCellReferencesInsideTheGrid)
{
    struct Case {
        const char* text;
        bool ok;
        std::uint32_t row, column;
    };
    const Case cases[] = {
        {"A1", true, 1, 1},          {"B5", true, 5, 2},
        {"Z9", true, 9, 26},         {"AA10", true, 10, 27},
        {"XFD1048576", true, 1048576, 16384},
        {"$C$3", true, 3, 3},        {"c3", true, 3, 3},
        {"XFE1", false, 0, 0},       {"A1048577", false, 0, 0},
        {"A0", false, 0, 0},         {"1A", false, 0, 0},
        {"A", false, 0, 0},          {"12", false, 0, 0},
        {"A1B", false, 0, 0},        {"", false, 0, 0},
        {"AAAAAAAAAAAAAAA1", false, 0, 0},
        {"A99999999999999999999", false, 0, 0},
    };
    for (const auto& c : cases) {
        const auto position = ParseCellReference(c.text);
        EXPECT_EQ(position.has_value(), c.ok) << c.text;
        if (c.ok && position) {
            EXPECT_EQ(position->row, c.row) << c.text;
            EXPECT_EQ(position->column, c.column) << c.text;
        }
    }
}

TEST(XlsxValues, ParsesNumbersStrictly)
{
    EXPECT_EQ(ParseXmlNumber("42"), 42);
    EXPECT_EQ(ParseXmlNumber(" -0.5 "), -0.5);
    EXPECT_DOUBLE_EQ(ParseXmlNumber("1.5E-3").value_or(0), 0.0015);
    EXPECT_EQ(ParseXmlNumber("+7"), 7);
    for (const char* bad : {"", "abc", "1,5", "1e999", "nan", "inf", "12abc", "--1", "1.2.3", "-"})
        EXPECT_FALSE(ParseXmlNumber(bad)) << bad;
    // Short decimals take a quicker way than from_chars, and must round as it does.
    std::mt19937_64 random(7);
    for (int i = 0; i < 200000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 17);
        std::string text = i % 3 ? "" : "-";
        for (int d = 0; d < digits; ++d)
            text += static_cast<char>('0' + random() % 10);
        if (const int point = static_cast<int>(random() % (digits + 1)); point > 0 && point < digits)
            text.insert(text.size() - static_cast<std::size_t>(digits - point), ".");
        double expected = 0;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        const auto got = ParseXmlNumber(text);
        ASSERT_TRUE(got) << text;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(*got), std::bit_cast<std::uint64_t>(expected)) << text;
    }
}

TEST(XlsxValues, DateSerialsFollowBothDateSystems)
{
    struct Case {
        int y, m, d;
        bool date1904;
        double serial;
    };
    const Case cases[] = {
        {1900, 1, 1, false, 1},     {1900, 2, 28, false, 59},
        {1900, 3, 1, false, 61},    {2024, 1, 5, false, 45296},
        {1904, 1, 1, true, 0},      {2024, 1, 5, true, 43834},
        {9999, 12, 31, false, 2958465},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DateSerial(c.y, c.m, c.d, c.date1904), c.serial) << c.y << "-" << c.m << "-" << c.d;

    EXPECT_DOUBLE_EQ(ParseIsoDateTime("2024-01-05T09:30:00", false).value_or(0), 45296 + 9.5 / 24);
    EXPECT_EQ(ParseIsoDateTime("2024-01-05", false), 45296);
    EXPECT_EQ(ParseIsoDateTime("2024-01-05T00:00:00Z", true), 43834);
    EXPECT_DOUBLE_EQ(ParseIsoDateTime("12:00:00", false).value_or(0), 0.5);
    EXPECT_DOUBLE_EQ(ParseIsoDateTime("2021-01-01T10:10:10.500", false).value_or(0),
                     44197 + (10 * 3600 + 10 * 60 + 10.5) / 86400);
    for (const char* bad : {"", "2024-13-01", "2024-01-05T", "2024/01/05", "25:00:00", "09:30x", "tomorrow"})
        EXPECT_FALSE(ParseIsoDateTime(bad, false)) << bad;
}

TEST(XlsxPackage, ResolvesRelationshipTargets)
{
    struct Case {
        const char* source;
        const char* target;
        const char* part;
    };
    const Case cases[] = {
        {"xl/workbook.xml", "worksheets/sheet1.xml", "xl/worksheets/sheet1.xml"},
        {"xl/workbook.xml", "/xl/worksheets/sheet1.xml", "xl/worksheets/sheet1.xml"},
        {"xl/workbook.xml", "../customXml/item1.xml", "customXml/item1.xml"},
        {"xl/workbook.xml", "./styles.xml", "xl/styles.xml"},
        {"xl/workbook.xml", "worksheets\\sheet2.xml", "xl/worksheets/sheet2.xml"},
        {"xl/workbook.xml", "worksheets/my%20sheet.xml", "xl/worksheets/my sheet.xml"},
        {"", "xl/workbook.xml", "xl/workbook.xml"},
        {"workbook.xml", "sheet1.xml", "sheet1.xml"},
        {"xl/workbook.xml", "../../../../etc/passwd", "etc/passwd"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolvePartName(c.source, c.target), c.part) << c.source << " + " << c.target;
}

TEST(CellText, NumbersHaveUpTo15SignificantDigits)
{
    const std::pair<double, const char*> cases[] = {
        {0, "0"},
        {-0.0, "0"},
        {42, "42"},
        {-5, "-5"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3, "0.333333333333333"},
        {123456789012345, "123456789012345"},
        {1e15, "1000000000000000"},
        {-1234567890123456, "-1234567890123456"},
        {1234567890123456.5, "1.23456789012346E+15"},
        {1e20, "1E+20"},
        {0.0001, "0.0001"},
        {0.00001, "1E-05"},
        {-2.5e-10, "-2.5E-10"},
        {45296.395833333336, "45296.3958333333"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(Utf16ToUtf8(NumberToText(value)), text) << value;
}

TEST(CellText, DateValuesAsTheJapaneseLocaleShowsThem)
{
    struct Case {
        double serial;
        bool date1904;
        const char* text;
    };
    const Case cases[] = {
        {45296, false, "2024/01/05"},
        {45296 + 9.5 / 24, false, "2024/01/05 9:30:00"},
        {0.5, false, "12:00:00"},
        {9.5 / 24, false, "9:30:00"},
        {0, false, "1899/12/30"},
        {1, false, "1900/01/01"},
        {59, false, "1900/02/28"},
        {61, false, "1900/03/01"},
        {43834, true, "2024/01/05"},
        {45296 + 86399.6 / 86400, false, "2024/01/06"},  // rounds to the next midnight
        {2958465.5, false, "9999/12/31 12:00:00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Utf16ToUtf8(SerialToDateText(c.serial, c.date1904)), c.text) << c.serial;
}

TEST(CellText, ValueOfEveryCellType)
{
    TWorkbookData book;
    const auto dateFormat = book.AddFormat(u"yyyy/m/d");
    TCellData number{TCellType::Number, 0, 2.5, NoText, NoText};
    TCellData date{TCellType::Number, dateFormat, 45296, NoText, NoText};
    TCellData hugeDate{TCellType::Number, dateFormat, 3e6, NoText, NoText};
    TCellData negativeDate{TCellType::Number, dateFormat, -1, NoText, NoText};
    TCellData yes{TCellType::Boolean, 0, 1, NoText, NoText};
    TCellData no{TCellType::Boolean, 0, 0, NoText, NoText};
    TCellData text{TCellType::String, 0, 0, book.AddString(u"日本語 text"), NoText};
    TCellData error{TCellType::Error, 0, 0, book.AddString(u"#N/A"), NoText};

    EXPECT_EQ(ValueText(book, nullptr), u"");
    EXPECT_EQ(ValueText(book, &number), u"2.5");
    ASSERT_TRUE(book.Format(dateFormat).IsDateTime());
    EXPECT_EQ(ValueText(book, &date), u"2024/01/05");
    EXPECT_EQ(ValueText(book, &hugeDate), u"3000000");  // past 9999: no date, a number
    EXPECT_EQ(ValueText(book, &negativeDate), u"-1");
    EXPECT_EQ(ValueText(book, &yes), u"True");
    EXPECT_EQ(ValueText(book, &no), u"False");
    EXPECT_EQ(ValueText(book, &text), U("日本語 text"));
    EXPECT_THROW(ValueText(book, &error), EVariantError);

    EXPECT_EQ(DisplayText(book, nullptr), u"");
    EXPECT_EQ(DisplayText(book, &yes), u"TRUE");
    EXPECT_EQ(DisplayText(book, &no), u"FALSE");
    EXPECT_EQ(DisplayText(book, &error), u"#N/A");
    EXPECT_EQ(DisplayText(book, &text), U("日本語 text"));

    // Text stored for display (OpenDocument) wins over the format.
    TCellData shown = number;
    shown.shown = book.AddString(u"2.50 円");
    EXPECT_EQ(DisplayText(book, &shown), U("2.50 円"));
    EXPECT_EQ(ValueText(book, &shown), u"2.5");
}

} // namespace
