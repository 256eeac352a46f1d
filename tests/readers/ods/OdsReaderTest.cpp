#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <optional>
#include <string>

#include "support/TestSupport.h"
#include "workbook/TCellText.h"
#include "readers/ods/TOdsReader.h"
#include "readers/ods/TOdsValue.h"
#include "readers/TWorkbookReader.h"
#include "support/ZipFixture.h"

using namespace testsupport;
using namespace Excel;

namespace {

const char* const Mimetype = "application/vnd.oasis.opendocument.spreadsheet";

std::string Content(const std::string& tables)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<office:document-content"
           " xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
           " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
           " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\""
           " xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\""
           " xmlns:calcext=\"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0\">"
           "<office:body><office:spreadsheet>" +
           tables + "</office:spreadsheet></office:body></office:document-content>";
}

std::unique_ptr<TWorkbookData> ReadTables(const std::string& tables)
{
    TempDir dir;
    WriteZip(dir / "book.ods", {{"mimetype", Mimetype}, {"content.xml", Content(tables)}});
    return ReadOdsWorkbook(dir / "book.ods");
}

// "type:value|shown" of one cell, "-" for a cell that holds nothing.
std::string Describe(const TWorkbookData& book, const TSheetData& sheet, std::uint32_t row, std::uint32_t column)
{
    const auto* cell = sheet.Find(row, column);
    if (!cell)
        return "-";
    std::string out;
    switch (cell->type) {
    case TCellType::Empty: out = "empty"; break;
    case TCellType::Number: {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "n:%.15g", cell->number);
        out = buffer;
        break;
    }
    case TCellType::String: out = "s:" + Utf16ToUtf8(book.String(cell->text)); break;
    case TCellType::Boolean: out = cell->number ? "b:1" : "b:0"; break;
    case TCellType::Error: out = "e:" + Utf16ToUtf8(book.String(cell->text)); break;
    }
    if (cell->shown != NoText)
        out += "|" + Utf16ToUtf8(book.String(cell->shown));
    return out;
}

struct Expect {
    std::uint32_t row;
    std::uint32_t column;
    std::string cell;
};

struct OdsCase {
    const char* name;
    std::string rows;  // content of one table
    std::vector<Expect> cells;
    std::size_t count;  // cells stored in all
};

TEST(OdsReader, ReadsTypedValuesDisplayedTextAndPositions)
{
    const OdsCase cases[] = {
        {"typed values keep the displayed text",
         "<table:table-row>"
         "<table:table-cell office:value-type=\"float\" office:value=\"1234.5\"><text:p>1,234.50</text:p></table:table-cell>"
         "<table:table-cell office:value-type=\"percentage\" office:value=\"0.125\"><text:p>12.5%</text:p></table:table-cell>"
         "<table:table-cell office:value-type=\"currency\" office:value=\"-3\"><text:p>-¥3</text:p></table:table-cell>"
         "<table:table-cell office:value-type=\"boolean\" office:boolean-value=\"true\"><text:p>TRUE</text:p></table:table-cell>"
         "<table:table-cell office:value-type=\"string\"><text:p>東京</text:p></table:table-cell>"
         "<table:table-cell office:value-type=\"float\" office:value=\"1E-3\"/>"
         "</table:table-row>",
         {{1, 1, "n:1234.5|1,234.50"}, {1, 2, "n:0.125|12.5%"}, {1, 3, "n:-3|-¥3"},
          {1, 4, "b:1|TRUE"}, {1, 5, "s:東京"}, {1, 6, "n:0.001"}},
         6},
        {"dates and times become serial numbers",
         "<table:table-row>"
         "<table:table-cell office:value-type=\"date\" office:date-value=\"2024-01-05\"><text:p>2024/1/5</text:p></table:table-cell>"
         "<table:table-cell office:value-type=\"date\" office:date-value=\"2024-01-05T09:30:00\"><text:p>x</text:p></table:table-cell>"
         "<table:table-cell office:value-type=\"time\" office:time-value=\"PT09H30M00S\"><text:p>9:30</text:p></table:table-cell>"
         "<table:table-cell office:value-type=\"date\" office:date-value=\"1900-03-01\"/>"
         "</table:table-row>",
         {{1, 1, "n:45296|2024/1/5"}, {1, 2, "n:45296.3958333333|x"}, {1, 3, "n:0.395833333333333|9:30"},
          {1, 4, "n:61"}},
         4},
        {"errors, string values and malformed values",
         "<table:table-row>"
         "<table:table-cell office:value-type=\"float\" office:value=\"0\" calcext:value-type=\"error\"><text:p>#DIV/0!</text:p></table:table-cell>"
         "<table:table-cell office:value-type=\"string\" office:string-value=\"raw\"><text:p>shown</text:p></table:table-cell>"
         "<table:table-cell office:value-type=\"float\" office:value=\"abc\"><text:p>abc</text:p></table:table-cell>"
         "<table:table-cell office:value-type=\"date\" office:date-value=\"2023-02-29\"><text:p>2/29</text:p></table:table-cell>"
         "<table:table-cell><text:p>untyped</text:p></table:table-cell>"
         "<table:table-cell office:value-type=\"string\"><text:p/></table:table-cell>"
         "</table:table-row>",
         {{1, 1, "e:#DIV/0!"}, {1, 2, "s:raw|shown"}, {1, 3, "s:abc"}, {1, 4, "s:2/29"},
          {1, 5, "s:untyped"}, {1, 6, "s:"}},
         6},
        {"paragraphs, spaces, tabs and breaks; annotations, drawings and hidden text left out",
         "<table:table-row><table:table-cell office:value-type=\"string\">"
         "<office:annotation><text:p>comment</text:p></office:annotation>"
         "<text:p>a<text:s text:c=\"3\"/>b<text:tab/>c<text:line-break/>d</text:p>"
         "<draw:frame><draw:text-box><text:p>box</text:p></draw:text-box></draw:frame>"
         "<text:p><text:span>e<text:hidden-text text:string-value=\"h\">hidden</text:hidden-text>f</text:span>"
         "<text:note><text:note-body><text:p>note</text:p></text:note-body></text:note></text:p>"
         "</table:table-cell></table:table-row>",
         {{1, 1, "s:a   b\tc\nd\nef"}},
         1},
        {"repeats fill rows and columns; empty repeats only move on",
         "<table:table-row table:number-rows-repeated=\"2\">"
         "<table:table-cell table:number-columns-repeated=\"2\"/>"
         "<table:table-cell table:number-columns-repeated=\"3\" office:value-type=\"string\"><text:p>r</text:p></table:table-cell>"
         "</table:table-row>"
         "<table:table-row table:number-rows-repeated=\"1000000\"><table:table-cell table:number-columns-repeated=\"16384\"/></table:table-row>"
         "<table:table-row><table:table-cell office:value-type=\"float\" office:value=\"7\"><text:p>7</text:p></table:table-cell></table:table-row>",
         {{1, 3, "s:r"}, {1, 5, "s:r"}, {2, 3, "s:r"}, {2, 5, "s:r"}, {1, 2, "-"}, {1, 6, "-"}, {3, 3, "-"},
          {1000003, 1, "n:7|7"}},
         7},
        {"covered cells take their place but show nothing",
         "<table:table-row><table:table-cell table:number-columns-spanned=\"2\" table:number-rows-spanned=\"2\""
         " office:value-type=\"string\"><text:p>top</text:p></table:table-cell>"
         "<table:covered-table-cell office:value-type=\"string\"><text:p>under</text:p></table:covered-table-cell>"
         "<table:table-cell office:value-type=\"string\"><text:p>right</text:p></table:table-cell></table:table-row>"
         "<table:table-row><table:covered-table-cell table:number-columns-repeated=\"2\"/>"
         "<table:table-cell office:value-type=\"string\"><text:p>below</text:p></table:table-cell></table:table-row>",
         {{1, 1, "s:top"}, {1, 2, "-"}, {1, 3, "s:right"}, {2, 3, "s:below"}},
         3},
        {"rows inside groups and header rows count; nested tables do not",
         "<table:table-header-rows><table:table-row><table:table-cell office:value-type=\"string\"><text:p>h</text:p>"
         "</table:table-cell></table:table-row></table:table-header-rows>"
         "<table:table-row-group><table:table-row><table:table-cell office:value-type=\"string\">"
         "<table:table table:name=\"inner\"><table:table-row><table:table-cell><text:p>x</text:p></table:table-cell>"
         "</table:table-row></table:table><text:p>g</text:p></table:table-cell></table:table-row></table:table-row-group>",
         {{1, 1, "s:h"}, {2, 1, "s:g"}},
         2},
        {"cells past the last column and row are dropped",
         "<table:table-row><table:table-cell table:number-columns-repeated=\"16383\"/>"
         "<table:table-cell table:number-columns-repeated=\"5\" office:value-type=\"string\"><text:p>edge</text:p></table:table-cell></table:table-row>"
         "<table:table-row table:number-rows-repeated=\"1048573\"/>"
         "<table:table-row table:number-rows-repeated=\"3\"><table:table-cell office:value-type=\"string\"><text:p>low</text:p></table:table-cell></table:table-row>",
         {{1, 16384, "s:edge"}, {1048576, 1, "s:low"}, {1048575, 1, "s:low"}},
         3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto book = ReadTables("<table:table table:name=\"S\">" + c.rows + "</table:table>");
        ASSERT_EQ(book->sheets.size(), 1u);
        const auto& sheet = book->sheets[0];
        EXPECT_EQ(sheet.CellCount(), c.count);
        for (const auto& e : c.cells)
            EXPECT_EQ(Describe(*book, sheet, e.row, e.column), e.cell) << e.row << "," << e.column;
    }
}

TEST(OdsReader, DatesAndTimesCarryDateFormats)
{
    const auto book = ReadTables(
        "<table:table table:name=\"S\"><table:table-row>"
        "<table:table-cell office:value-type=\"date\" office:date-value=\"2024-01-05\"/>"
        "<table:table-cell office:value-type=\"time\" office:time-value=\"PT1H\"/>"
        "<table:table-cell office:value-type=\"float\" office:value=\"1\"/>"
        "</table:table-row></table:table>");
    const auto& sheet = book->sheets[0];
    EXPECT_TRUE(book->Format(sheet.Find(1, 1)->style).IsDateTime());
    EXPECT_TRUE(book->Format(sheet.Find(1, 2)->style).IsDateTime());
    EXPECT_EQ(sheet.Find(1, 3)->style, 0u);
}

TEST(OdsReader, KeepsSheetsInOrderWithTheirNames)
{
    const auto book = ReadTables("<table:table table:name=\"売上\"/><table:table table:name=\"Sheet 2\"/>"
                                 "<table:table table:name=\"空\"><table:table-row/></table:table>");
    ASSERT_EQ(book->sheets.size(), 3u);
    EXPECT_EQ(book->sheets[0].Name(), U("売上"));
    EXPECT_EQ(book->sheets[1].Name(), U("Sheet 2"));
    EXPECT_EQ(book->sheets[2].Name(), U("空"));
}

TEST(OdsReader, RefusesBrokenAndHostilePackagesNamingTheFile)
{
    const std::string oneCell = "<table:table table:name=\"S\"><table:table-row><table:table-cell><text:p>x</text:p>"
                                "</table:table-cell></table:table-row></table:table>";
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> entries;
        const char* reason;  // part of the message after the file name
    };
    const Case cases[] = {
        {"a text document", {{"mimetype", "application/vnd.oasis.opendocument.text"}, {"content.xml", Content(oneCell)}},
         "OpenDocument スプレッドシートではありません。"},
        {"no content", {{"mimetype", Mimetype}}, "content.xml がありません。"},
        {"no spreadsheet", {{"content.xml", "<a/>"}}, "OpenDocument スプレッドシートではありません。"},
        {"no sheet", {{"content.xml", Content("")}}, "シートがありません。"},
        {"encrypted",
         {{"META-INF/manifest.xml",
           "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\">"
           "<manifest:file-entry manifest:full-path=\"content.xml\"><manifest:encryption-data/></manifest:file-entry>"
           "</manifest:manifest>"},
          {"content.xml", "\x01\x02garbage"}},
         "パスワードで保護されたブックは開けません。"},
        {"entity expansion", {{"content.xml", "<!DOCTYPE a [<!ENTITY x \"xx\">]><a>&x;</a>"}}, "DTD"},
        {"truncated xml", {{"content.xml", Content(oneCell).substr(0, 300)}}, "XML を解析できません"},
        {"a cell repeated over the grid",
         {{"content.xml", Content("<table:table table:name=\"S\"><table:table-row table:number-rows-repeated=\"999999999\">"
                                  "<table:table-cell table:number-columns-repeated=\"999999999\" office:value-type=\"string\">"
                                  "<text:p>X</text:p></table:table-cell></table:table-row></table:table>")}},
         "セルが多すぎます (16777216 個まで)。"},
        {"billions of spaces",
         {{"content.xml", Content("<table:table table:name=\"S\"><table:table-row><table:table-cell><text:p>" +
                                  std::string("<text:s text:c=\"4000000\"/><text:s text:c=\"4000000\"/>"
                                              "<text:s text:c=\"4000000\"/><text:s text:c=\"4000000\"/>"
                                              "<text:s text:c=\"4000000\"/>") +
                                  "</text:p></table:table-cell></table:table-row></table:table>")}},
         "セルの文字列が長すぎます。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const auto file = dir / "bad.ods";
        WriteZip(file, c.entries);
        const std::string message = OleMessage([&] { ReadOdsWorkbook(file); });
        EXPECT_EQ(message.rfind("ファイル \"" + file.string() + "\" を開けません。", 0), 0u) << message;
        EXPECT_NE(message.find(c.reason), std::string::npos) << message;
    }
    TempDir dir;
    WriteFile(dir / "plain.ods", "not a zip at all");
    EXPECT_NE(OleMessage([&] { ReadOdsWorkbook(dir / "plain.ods"); }).find("plain.ods"), std::string::npos);
    EXPECT_NE(OleMessage([&] { ReadOdsWorkbook(dir.Path()); }).find("を開けません。"), std::string::npos);
}

TEST(OdsValue, ParsesDatesDurationsAndNumbers)
{
    struct DateCase {
        const char* text;
        std::optional<double> serial;
    };
    const DateCase dates[] = {
        {"1899-12-30", 0},          {"1900-01-01", 1},          {"1900-02-28", 59},
        {"1900-03-01", 61},          {"2024-02-29", 45351},
        {"2024-01-05T12:00:00", 45296.5}, {"2024-01-05T06:00:00Z", 45296.25},
        {"2024-01-05T06:00:00+09:00", 45296.25}, {"2000-02-29", 36585},
        {"2023-02-29", std::nullopt}, {"1900-02-29", std::nullopt}, {"2024-13-01", std::nullopt},
        {"2024-1-5", std::nullopt}, {"2024-01-05T25:00:00", std::nullopt}, {"2024-01-05x", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& d : dates) {
        const auto parsed = ParseOdsDate(d.text);
        ASSERT_EQ(parsed.has_value(), d.serial.has_value()) << d.text;
        if (parsed) {
            EXPECT_NEAR(parsed->serial, *d.serial, 1e-9) << d.text;
        }
    }
    EXPECT_FALSE(ParseOdsDate("2024-01-05T00:00:00")->hasTime);
    EXPECT_TRUE(ParseOdsDate("2024-01-05T00:00:01")->hasTime);

    const std::pair<const char*, std::optional<double>> durations[] = {
        {"PT12H", 0.5}, {"PT09H30M00S", 9.5 / 24}, {"P1DT6H", 1.25}, {"-PT6H", -0.25},
        {"PT0.5S", 0.5 / 86400}, {"PT", std::nullopt}, {"P", std::nullopt}, {"12:00", std::nullopt},
        {"PT1H2X", std::nullopt},
    };
    for (const auto& [text, days] : durations) {
        const auto parsed = ParseOdsDuration(text);
        ASSERT_EQ(parsed.has_value(), days.has_value()) << text;
        if (parsed) {
            EXPECT_NEAR(*parsed, *days, 1e-12) << text;
        }
    }

    EXPECT_EQ(ParseOdsNumber("-1.5E+3"), -1500);
    EXPECT_EQ(ParseOdsNumber("+2"), 2);
    EXPECT_FALSE(ParseOdsNumber("1,5"));
    EXPECT_FALSE(ParseOdsNumber("inf"));
    EXPECT_FALSE(ParseOdsNumber(""));
}

std::filesystem::path Public(const std::string& name)
{
    return SharedDir() / "workbooks" / "public" / name;
}

TEST(OdsReader, ReadsThePublicWorkbooksAsSaved)
{
    struct Case {
        const char* file;
        std::size_t sheet;
        std::uint32_t row;
        std::uint32_t column;
        std::string cell;
    };
    const Case cases[] = {
        {"date.ods", 0, 1, 1, "n:44197|01/01/2021"},
        {"date.ods", 0, 2, 1, "n:44197.4237268519|01/01/2021 10:10 AM"},
        {"date.ods", 0, 4, 1, "n:0.423728280740741|10:10:10.12"},
        {"date.ods", 0, 4, 2, "n:18|18"},
        {"covered.ods", 0, 2, 1, "s:a2"},
        {"covered.ods", 0, 3, 1, "-"},
        {"merged_cells.ods", 0, 3, 1, "-"},
        {"merged_cells.ods", 0, 3, 3, "s:C"},
        {"special_cells.ods", 0, 1, 1, "s:Split\nLine"},
        {"special_cells.ods", 0, 5, 1, "s:  Value   With 2 spaces before and after  "},
        {"with-annotation.ods", 0, 1, 1, "s:cell a.1"},
        {"number_rows_repeated.ods", 0, 8, 2, "s:D"},
        {"number_rows_repeated.ods", 2, 10, 1, "s:C"},
        {"issues.ods", 0, 4, 1, "b:0|FALSE"},
        {"issues.ods", 3, 1, 1, "n:0.5|1"},
        {"issues.ods", 5, 6, 1, "s:☺"},
        {"richtext_issue.ods", 0, 1, 1, "s:abc"},
        {"multi-empty.ods", 0, 13, 1, "s:zzz"},
        {"any_sheets.ods", 0, 3, 2, "n:6|6"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto book = ReadOdsWorkbook(Public(c.file));
        ASSERT_LT(c.sheet, book->sheets.size());
        EXPECT_EQ(Describe(*book, book->sheets[c.sheet], c.row, c.column), c.cell) << c.row << "," << c.column;
    }
    const auto any = ReadOdsWorkbook(Public("any_sheets.ods"));
    ASSERT_EQ(any->sheets.size(), 4u);
    EXPECT_EQ(any->sheets[3].Name(), u"Chart");
    const auto picture = ReadOdsWorkbook(Public("picture.ods"));
    ASSERT_EQ(picture->sheets.size(), 3u);
    EXPECT_EQ(picture->sheets[0].Name(), U("工作表1"));
    EXPECT_EQ(picture->sheets[0].CellCount(), 0u);
}

TEST(OdsReader, GivesDisplayedTextAndValueText)
{
    const auto date = OpenWorkbookFile(Public("date.ods"));
    const auto issues = OpenWorkbookFile(Public("issues.ods"));
    struct Case {
        const TWorkbookData& book;
        std::uint32_t row;
        std::uint32_t column;
        const char* text;
        const char* value;
    };
    const Case cases[] = {
        {*date, 1, 1, "01/01/2021", "2021/01/01"},
        {*date, 2, 1, "01/01/2021 10:10 AM", "2021/01/01 10:10:10"},
        {*date, 3, 1, "10:10:10", "10:10:10"},
        {*date, 1, 2, "15", "15"},
        {*issues, 2, 1, "1.5", "1.5"},
        {*issues, 3, 1, "ab", "ab"},
        {*issues, 4, 1, "FALSE", "False"},
        {*issues, 6, 1, "10/20/2016", "2016/10/20"},
        {*issues, 9, 9, "", ""},
    };
    for (const auto& c : cases) {
        const auto* cell = c.book.sheets[0].Find(c.row, c.column);
        EXPECT_EQ(Utf16ToUtf8(DisplayText(c.book, cell)), c.text) << c.row << "," << c.column;
        EXPECT_EQ(Utf16ToUtf8(ValueText(c.book, cell)), c.value) << c.row << "," << c.column;
    }

    const auto error = ReadTables("<table:table table:name=\"S\"><table:table-row><table:table-cell"
                                  " office:value-type=\"float\" office:value=\"0\" calcext:value-type=\"error\">"
                                  "<text:p>#N/A</text:p></table:table-cell></table:table-row></table:table>");
    const auto* cell = error->sheets[0].Find(1, 1);
    EXPECT_EQ(DisplayText(*error, cell), u"#N/A");
    EXPECT_THROW(ValueText(*error, cell), EVariantError);
}

TEST(OdsReader, OpensEveryPublicFileOrRefusesItClearly)
{
    const std::map<std::string, std::string> refused = {
        {"issue_594_dos.ods", "セルが多すぎます (16777216 個まで)。"},
        {"pass_protected.ods", "パスワードで保護されたブックは開けません。"},
    };
    int seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(SharedDir() / "workbooks" / "public")) {
        if (entry.path().extension() != ".ods")
            continue;
        ++seen;
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        std::string message;
        std::unique_ptr<TWorkbookData> book;
        message = OleMessage([&] { book = ReadOdsWorkbook(entry.path()); });
        const auto expected = refused.find(name);
        if (expected == refused.end()) {
            EXPECT_EQ(message, "");
            ASSERT_TRUE(book);
            EXPECT_FALSE(book->sheets.empty());
        } else {
            EXPECT_EQ(message, "ファイル \"" + entry.path().string() + "\" を開けません。" + expected->second);
        }
    }
    EXPECT_EQ(seen, 15);
}

} // namespace
