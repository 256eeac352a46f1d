#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <random>
#include <string>

#include "text/UnicodeString.h"
#include "workbook/TCellText.h"
#include "workbook/TWorkbookData.h"

using namespace Excel;

namespace {

TCellData NumberCell(double v)
{
    TCellData cell;
    cell.type = TCellType::Number;
    cell.number = v;
    return cell;
}

TEST(SheetData, FindAgreesWithAReferenceMapInAnyReadingOrder)
{
    std::mt19937 random(12345);
    TSheetData sheet(u"S");
    std::map<std::pair<std::uint32_t, std::uint32_t>, double> reference;
    // Sparse cells added out of order, some twice (the later one counts),
    // plus the corners of the grid.
    for (int i = 0; i < 3000; ++i) {
        const std::uint32_t row = 1 + random() % 200, column = 1 + random() % 30;
        sheet.Set(row, column, NumberCell(i));
        reference[{row, column}] = i;
    }
    for (auto [row, column] : {std::pair<std::uint32_t, std::uint32_t>{1, 1}, {1048576, 16384}, {1048576, 1}, {1, 16384}}) {
        sheet.Set(row, column, NumberCell(-1));
        reference[{row, column}] = -1;
    }
    TCellData empty;  // an empty entry reads as no cell
    sheet.Set(150, 31, empty);
    sheet.Seal();
    EXPECT_EQ(sheet.CellCount(), reference.size() + 1);
    EXPECT_EQ(sheet.Find(150, 31), nullptr);

    const auto check = [&](std::uint32_t row, std::uint32_t column) {
        const auto* cell = sheet.Find(row, column);
        const auto it = reference.find({row, column});
        if (it == reference.end()) {
            EXPECT_EQ(cell, nullptr) << row << "," << column;
        } else {
            ASSERT_NE(cell, nullptr) << row << "," << column;
            EXPECT_EQ(cell->number, it->second) << row << "," << column;
        }
    };
    for (std::uint32_t row = 1; row <= 201; ++row)  // in order, as the generator reads
        for (std::uint32_t column = 1; column <= 31; ++column)
            check(row, column);
    for (std::uint32_t row = 201; row >= 1; --row)  // backwards
        for (std::uint32_t column = 31; column >= 1; --column)
            check(row, column);
    for (int i = 0; i < 20000; ++i)  // at random, near and far
        check(1 + random() % 202, 1 + random() % 32);
    check(1048576, 16384);
    check(1, 16384);
    check(1048576, 16383);
    EXPECT_EQ(sheet.Find(0, 1), nullptr);
    EXPECT_EQ(sheet.Find(1, 0), nullptr);

    const TSheetData none(u"E");
    EXPECT_EQ(none.Find(1, 1), nullptr);
}

TEST(SheetData, BlocksReadAsTheCellsTheyCover)
{
    // Blocks in reading order (side by side in one band of rows, or lower
    // bands), some out of order, and single cells, which win over blocks.
    std::mt19937 random(777);
    TSheetData sheet(u"S");
    std::map<std::pair<std::uint32_t, std::uint32_t>, double> singles, blocks;
    std::size_t covered = 0;
    std::uint32_t bandFirst = 0, bandLast = 0, bandColumn = 0;
    for (int i = 0; i < 400; ++i) {
        const int kind = random() % 6;
        if (kind == 0) {  // a single cell anywhere
            const std::uint32_t row = 1 + random() % 400, column = 1 + random() % 40;
            sheet.Set(row, column, NumberCell(i));
            singles[{row, column}] = i;
            continue;
        }
        std::uint32_t first, last, left;
        const bool inOrder = kind != 1 || bandLast == 0;
        if (!inOrder) {  // overlaps the rows of the last band: kept cell by cell
            first = 1 + random() % bandLast;
            last = first + random() % 3;
            left = 1 + random() % 40;
        } else if (kind == 2 && bandLast && bandColumn < 38) {  // beside the last block
            first = bandFirst;
            last = bandLast;
            left = bandColumn + 1 + random() % 2;
        } else {  // a new band below
            first = bandLast + 1 + random() % 3;
            last = first + random() % 4;
            left = 1 + random() % 30;
        }
        const std::uint32_t right = left + random() % 3;
        sheet.SetBlock(first, last, left, right, NumberCell(i));
        for (auto r = first; r <= last; ++r)
            for (auto c = left; c <= right; ++c)
                (inOrder ? blocks : singles)[{r, c}] = i;
        if (inOrder) {
            covered += std::size_t(last - first + 1) * (right - left + 1);
            bandFirst = first, bandLast = last, bandColumn = right;
        }
    }
    sheet.SetBlock(1048570, 2000000, 16380, 99999, NumberCell(-2));  // clipped to the grid
    sheet.SetBlock(5, 4, 1, 1, NumberCell(-3));                       // empty: ignored
    sheet.Seal();
    EXPECT_EQ(sheet.CellCount(), singles.size() + covered + 7 * 5);

    for (std::uint32_t row = 1; row <= bandLast + 2; ++row)
        for (std::uint32_t column = 1; column <= 45; ++column) {
            const auto single = singles.find({row, column});
            const auto block = blocks.find({row, column});
            const auto* cell = sheet.Find(row, column);
            if (single == singles.end() && block == blocks.end()) {
                EXPECT_EQ(cell, nullptr) << row << "," << column;
            } else {
                ASSERT_NE(cell, nullptr) << row << "," << column;
                EXPECT_EQ(cell->number, single != singles.end() ? single->second : block->second)
                    << row << "," << column;
            }
        }
    ASSERT_NE(sheet.Find(1048576, 16384), nullptr);
    EXPECT_EQ(sheet.Find(1048576, 16384)->number, -2);
    EXPECT_EQ(sheet.Find(1048569, 16384), nullptr);
    EXPECT_EQ(sheet.Find(1048576, 16379), nullptr);
}

// Position, type, style, value and displayed text are packed together: each
// must come back whole, at the corners of the grid and with the largest style.
TEST(SheetData, CellsKeepEveryFieldTheyArePackedWith)
{
    struct Case {
        std::uint32_t row, column;
        TCellType type;
        std::uint32_t style;
        double number;
        std::uint32_t text, shown;
    };
    const std::uint32_t bigStyle = (1u << 25) - 1;
    const Case cases[] = {
        {1048576, 16384, TCellType::Error, bigStyle, 0, 7, NoText},
        {1048576, 16383, TCellType::Number, bigStyle, -1.5e300, NoText, NoText},
        {1048575, 16384, TCellType::Boolean, 3, 1, NoText, 9},
        {1, 1, TCellType::String, 1, 0, 4, 5},
        {1, 2, TCellType::Number, 2, 0.1, NoText, 6},
        {2, 1, TCellType::Empty, 0, 0, NoText, 8},  // nothing but a displayed text
        {3, 3, TCellType::String, 0, 0, 100, NoText},
    };
    TSheetData sheet(u"S");
    for (const auto& c : cases) {
        // Written twice, the other way round first: the later one counts.
        TCellData before;
        before.type = TCellType::String;
        before.text = 1;
        before.shown = c.shown == NoText ? 2 : NoText;
        sheet.Set(c.row, c.column, before);
        sheet.Set(c.row, c.column, {c.type, c.style, c.number, c.text, c.shown});
    }
    TCellData blockCell{TCellType::Number, 5, 42, NoText, 150};
    sheet.SetBlock(10, 12, 4, 6, blockCell);
    sheet.Seal();
    sheet.MoveStrings(100, 1000);  // string numbers from 100 on move up
    const auto moved = [](std::uint32_t text) { return text != NoText && text >= 100 ? text + 900 : text; };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.row) + "," + std::to_string(c.column));
        const TCellData* cell = sheet.Find(c.row, c.column);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->type, c.type);
        EXPECT_EQ(cell->style, c.style);
        if (c.type == TCellType::String || c.type == TCellType::Error)
            EXPECT_EQ(cell->text, moved(c.text));
        else
            EXPECT_EQ(cell->number, c.number);
        EXPECT_EQ(cell->shown, moved(c.shown));
    }
    const TCellData* block = sheet.Find(11, 5);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->number, 42);
    EXPECT_EQ(block->style, 5u);
    EXPECT_EQ(block->shown, 1050u);
}

TEST(SheetData, CellsStayCompact)
{
    // The model promises well under 100 bytes for a non-empty cell.
    EXPECT_LE(sizeof(TCellData) + sizeof(std::uint64_t), 40u);
}

TEST(WorkbookData, SheetsByNameIgnoreCaseAndFormatsAreShared)
{
    TWorkbookData book;
    book.sheets.emplace_back(u"Sheet1");
    book.sheets.emplace_back(u"Ölpreise");
    book.sheets.emplace_back(u"ｄａｔａ");
    EXPECT_EQ(book.FindSheet(u"Sheet1"), 0);
    EXPECT_EQ(book.FindSheet(u"SHEET1"), 0);
    EXPECT_EQ(book.FindSheet(u"ölPREISE"), 1);
    EXPECT_EQ(book.FindSheet(u"ＤＡＴＡ"), 2);
    EXPECT_EQ(book.FindSheet(u"Sheet"), -1);
    EXPECT_EQ(book.FindSheet(u""), -1);

    EXPECT_EQ(book.AddFormat(u"General"), 0u);
    const auto a = book.AddFormat(u"0.00");
    EXPECT_EQ(book.AddFormat(u"0.00"), a);
    EXPECT_NE(book.AddFormat(u"0.000"), a);
}

} // namespace

namespace {

TEST(WorkbookData, StringPoolKeepsEveryUtf16TextExactly)
{
    // Outside data may hold lone surrogates and NULs; the pool stores UTF-8.
    const UnicodeString texts[] = {
        u"", u"plain", u"日本語", u"\U0001F600 pair", std::u16string(1, u'\0') + u"nul",
        std::u16string(1, char16_t(0xD800)), std::u16string(1, char16_t(0xDFFF)) + u"x",
        u"a" + std::u16string(1, char16_t(0xDC00)) + std::u16string(1, char16_t(0xD83D)),
        std::u16string(1, char16_t(0xFFFF)) + u"\u0080\u07FF\u0800",
    };
    TWorkbookData book;
    std::vector<std::uint32_t> ids;
    for (const auto& t : texts)
        ids.push_back(book.AddString(t));
    for (std::size_t i = 0; i < ids.size(); ++i)
        EXPECT_EQ(book.String(ids[i]), texts[i]) << i;
}

} // namespace

namespace {

TEST(CellText, ValueOfAFractionIsWhatPrintfGives)
{
    std::vector<double> values = {0.1 + 0.2, -0.0, 1e-5, 1.5e-7, 1e15 + 0.5, 1e20, -1e300, 5e-324,
                                  std::numeric_limits<double>::max(), std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(), 123456789.123456789, 0.1};
    std::mt19937_64 random(11);
    for (int i = 0; i < 100000; ++i) {
        const double any = std::bit_cast<double>(random());
        if (!std::isnan(any)) values.push_back(any);
        values.push_back(double(random() % 10000000) / 1000.0);
    }
    char expected[64];
    for (double v : values) {
        std::snprintf(expected, sizeof expected, "%.15G", v);
        // Whole numbers are spelled out in full instead.
        if (v != 0 && std::trunc(v) == v && std::fabs(v) < 9.2e18)
            continue;
        ASSERT_EQ(Utf16ToUtf8(NumberToText(v)), v == 0 ? "0" : expected) << std::hexfloat << v;
    }
}

} // namespace
