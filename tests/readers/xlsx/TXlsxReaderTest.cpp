#include <gtest/gtest.h>

#include <xlsxwriter.h>

#include <map>

#include "support/TestSupport.h"
#include "workbook/TCellText.h"
#include "readers/xlsx/TXlsxReader.h"
#include "support/ZipFixture.h"

using namespace Excel;
using namespace testsupport;

namespace {

const std::string Main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const std::string RelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const std::string PkgNs = "http://schemas.openxmlformats.org/package/2006/relationships";

using Parts = std::map<std::string, std::string>;

// A small package written by hand; tests replace or drop parts to break it.
Parts BasicParts(const std::string& sheetData)
{
    return {
        {"[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
        {"_rels/.rels", "<Relationships xmlns=\"" + PkgNs + "\"><Relationship Id=\"rId1\" Type=\"" + RelNs +
                            "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml", "<workbook xmlns=\"" + Main + "\" xmlns:r=\"" + RelNs +
                                "\"><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships xmlns=\"" + PkgNs + "\"><Relationship Id=\"rId1\" Type=\"" + RelNs +
             "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" + RelNs +
             "/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>"},
        {"xl/sharedStrings.xml", "<sst xmlns=\"" + Main + "\"><si><t>zero</t></si><si><t>one</t></si></sst>"},
        {"xl/worksheets/sheet1.xml", "<worksheet xmlns=\"" + Main + "\"><sheetData>" + sheetData +
                                         "</sheetData></worksheet>"},
    };
}

std::filesystem::path Write(const TempDir& dir, const Parts& parts, const std::string& name = "book.xlsx")
{
    std::vector<std::pair<std::string, std::string>> entries(parts.begin(), parts.end());
    const auto path = dir / name;
    WriteZip(path, entries);
    return path;
}

std::string Value(const TWorkbookData& book, std::size_t sheet, std::uint32_t row, std::uint32_t column)
{
    return Utf16ToUtf8(ValueText(book, book.sheets.at(sheet).Find(row, column)));
}

std::string Text(const TWorkbookData& book, std::size_t sheet, std::uint32_t row, std::uint32_t column)
{
    return Utf16ToUtf8(DisplayText(book, book.sheets.at(sheet).Find(row, column)));
}

TEST(XlsxReader, ReadsWhatLibxlsxwriterWrites)
{
    TempDir dir;
    const auto path = dir / "written.xlsx";
    lxw_workbook* wb = workbook_new(path.c_str());
    lxw_worksheet* first = workbook_add_worksheet(wb, "データ");
    lxw_worksheet* second = workbook_add_worksheet(wb, "Second");
    for (int i = 3; i <= 12; ++i)
        workbook_add_worksheet(wb, ("Sheet" + std::to_string(i)).c_str());
    lxw_format* date = workbook_add_format(wb);
    format_set_num_format(date, "yyyy/mm/dd");
    lxw_format* dateTime = workbook_add_format(wb);
    format_set_num_format(dateTime, "yyyy/mm/dd hh:mm:ss");

    worksheet_write_string(first, 0, 0, "名前", nullptr);
    worksheet_write_string(first, 0, 1, "tab\there", nullptr);
    worksheet_write_number(first, 1, 0, 1234.5, nullptr);
    worksheet_write_number(first, 1, 1, -0.125, nullptr);
    lxw_datetime day = {2024, 1, 5, 0, 0, 0};
    worksheet_write_datetime(first, 2, 0, &day, date);
    lxw_datetime moment = {2024, 1, 5, 9, 30, 0};
    worksheet_write_datetime(first, 2, 1, &moment, dateTime);
    worksheet_write_boolean(first, 3, 0, 1, nullptr);
    worksheet_write_boolean(first, 3, 1, 0, nullptr);
    worksheet_write_formula_num(first, 4, 0, "=A2*2", nullptr, 2469);
    worksheet_write_formula_str(first, 4, 1, "=\"a\"&\"b\"", nullptr, "ab");
    worksheet_write_string(second, 99, 25, "far", nullptr);
    worksheet_write_string(second, 1048575, 16383, "corner", nullptr);
    ASSERT_EQ(workbook_close(wb), LXW_NO_ERROR);

    const auto book = ReadXlsxWorkbook(path);
    ASSERT_EQ(book->sheets.size(), 12u);
    EXPECT_EQ(book->sheets[0].Name(), U("データ"));
    EXPECT_EQ(book->sheets[1].Name(), u"Second");
    EXPECT_EQ(book->sheets[11].Name(), u"Sheet12");
    EXPECT_FALSE(book->date1904);

    struct Case {
        std::size_t sheet;
        std::uint32_t row, column;
        const char* value;
    };
    const Case cases[] = {
        {0, 1, 1, "名前"},       {0, 1, 2, "tab\there"},
        {0, 2, 1, "1234.5"},     {0, 2, 2, "-0.125"},
        {0, 3, 1, "2024/01/05"}, {0, 3, 2, "2024/01/05 9:30:00"},
        {0, 4, 1, "True"},       {0, 4, 2, "False"},
        {0, 5, 1, "2469"},       {0, 5, 2, "ab"},
        {0, 6, 1, ""},           {1, 100, 26, "far"},
        {1, 1048576, 16384, "corner"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Value(*book, c.sheet, c.row, c.column), c.value) << c.row << "," << c.column;
    EXPECT_EQ(Text(*book, 0, 4, 1), "TRUE");
    EXPECT_EQ(Text(*book, 0, 3, 1), "2024/01/05");
    EXPECT_EQ(Text(*book, 0, 3, 2), "2024/01/05 09:30:00");
    EXPECT_EQ(Text(*book, 0, 2, 1), "1234.5");
    EXPECT_EQ(book->sheets[2].CellCount(), 0u);
}

TEST(XlsxReader, PlacesCellsWithoutReferencesAndOutOfOrder)
{
    TempDir dir;
    const auto path = Write(dir, BasicParts(
        // Row 3 before row 1; cells of row 1 given right to left; then cells
        // and a row without any reference continue from the one before.
        "<row r=\"3\"><c r=\"B3\"><v>32</v></c></row>"
        "<row r=\"1\"><c r=\"C1\"><v>13</v></c><c r=\"A1\"><v>11</v></c></row>"
        "<row><c><v>21</v></c><c t=\"s\"><v>1</v></c><c r=\"E2\"><v>25</v></c><c><v>26</v></c></row>"
        "<row r=\"3\"><c r=\"B3\"><v>99</v></c></row>"));
    const auto book = ReadXlsxWorkbook(path);
    const auto& sheet = book->sheets.at(0);
    EXPECT_EQ(Value(*book, 0, 1, 1), "11");
    EXPECT_EQ(Value(*book, 0, 1, 3), "13");
    EXPECT_EQ(Value(*book, 0, 2, 1), "21");
    EXPECT_EQ(Value(*book, 0, 2, 2), "one");
    EXPECT_EQ(Value(*book, 0, 2, 5), "25");
    EXPECT_EQ(Value(*book, 0, 2, 6), "26");
    EXPECT_EQ(Value(*book, 0, 3, 2), "99");  // the later entry for a cell wins
    EXPECT_EQ(sheet.CellCount(), 7u);
}

TEST(XlsxReader, ReadsEveryCellTypeAndStringForm)
{
    TempDir dir;
    auto parts = BasicParts(
        "<row r=\"1\">"
        "<c r=\"A1\" t=\"s\"><v>0</v></c>"
        "<c r=\"B1\" t=\"str\"><f>A1</f><v>line_x000D__x000A_two</v></c>"
        "<c r=\"C1\" t=\"inlineStr\"><is><r><t>in</t></r><r><rPr><b/></rPr><t xml:space=\"preserve\"> line</t></r>"
        "<rPh sb=\"0\" eb=\"1\"><t>イン</t></rPh></is></c>"
        "<c r=\"D1\" t=\"b\"><v>1</v></c>"
        "<c r=\"E1\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c>"
        "<c r=\"F1\" t=\"d\"><v>2024-01-05T09:30:00</v></c>"
        "<c r=\"G1\" t=\"n\"><v>1.5</v></c>"
        "<c r=\"H1\" s=\"1\"/>"
        "<c r=\"I1\"><f>SUM(A2:A3)</f></c>"
        "<c r=\"J1\" t=\"s\"><v/></c>"
        "<c r=\"K1\" t=\"s\"><v>2</v></c>"
        "<c r=\"L1\" t=\"inlineStr\"><v>as value</v></c>"
        "<c r=\"M1\" t=\"s\"><v>3</v></c><c t=\"s\"><v>4</v></c><c t=\"s\"><v>5</v></c>"
        "</row>");
    parts["xl/sharedStrings.xml"] =
        "<sst xmlns=\"" + Main + "\"><si><r><t>課</t></r><r><t>長</t></r><rPh sb=\"0\" eb=\"2\"><t>カチョウ</t></rPh>"
        "<phoneticPr fontId=\"1\"/></si><si><t>_x005F_x0041_</t></si><si><t/></si>"
        "<si><t>a&amp;b]]c</t></si><si><t>表_x_</t></si><si><t>x</t><t>y</t></si></sst>";
    const auto book = ReadXlsxWorkbook(Write(dir, parts));

    EXPECT_EQ(Value(*book, 0, 1, 1), "課長");
    EXPECT_EQ(Value(*book, 0, 1, 2), "line\r\ntwo");
    EXPECT_EQ(Value(*book, 0, 1, 3), "in line");
    EXPECT_EQ(Value(*book, 0, 1, 4), "True");
    EXPECT_EQ(Text(*book, 0, 1, 5), "#DIV/0!");
    EXPECT_THROW(Value(*book, 0, 1, 5), EVariantError);
    EXPECT_EQ(book->sheets[0].Find(1, 6)->number, 45296 + 9.5 / 24);
    EXPECT_EQ(Value(*book, 0, 1, 7), "1.5");
    EXPECT_EQ(book->sheets[0].Find(1, 8), nullptr);   // styled, but no value
    EXPECT_EQ(book->sheets[0].Find(1, 9), nullptr);   // formula never calculated
    EXPECT_EQ(book->sheets[0].Find(1, 10), nullptr);  // shared string without index
    EXPECT_EQ(Value(*book, 0, 1, 11), "");            // an empty shared string
    ASSERT_NE(book->sheets[0].Find(1, 11), nullptr);
    EXPECT_EQ(Value(*book, 0, 1, 12), "as value");    // an inline string written as <v>
    EXPECT_EQ(Value(*book, 0, 1, 13), "a&b]]c");
    EXPECT_EQ(Value(*book, 0, 1, 14), "表_x_");
    EXPECT_EQ(Value(*book, 0, 1, 15), "xy");
}

// A shared-string table long enough to be still in reading while the first
// sheet is read beside it.
std::string LongSharedStrings(int count)
{
    std::string xml = "<sst xmlns=\"" + Main + "\">";
    for (int i = 0; i < count; ++i)
        xml += "<si><t>s" + std::to_string(i) + "</t></si>";
    return xml + "</sst>";
}

TEST(XlsxReader, SheetsReadBesideTheSharedStringsKeepTheirOwnStrings)
{
    const int count = 50000;
    TempDir dir;
    // The first cell wants the last shared string, which is not read yet.
    auto parts = BasicParts(
        "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>49999</v></c>"
        "<c r=\"B1\" t=\"inlineStr\"><is><t>own1</t></is></c>"
        "<c r=\"C1\" t=\"e\"><v>#N/A</v></c><c r=\"D1\" t=\"str\"><v>own2</v></c></row>"
        "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>0</v></c><c r=\"B2\" t=\"inlineStr\"><is><t>own3</t></is></c></row>");
    parts["xl/sharedStrings.xml"] = LongSharedStrings(count);
    auto& w = parts["xl/workbook.xml"];
    w.insert(w.find("</sheets>"), "<sheet name=\"T\" sheetId=\"2\" r:id=\"rId3\"/>");
    auto& r = parts["xl/_rels/workbook.xml.rels"];
    r.insert(r.find("</Relationships>"), "<Relationship Id=\"rId3\" Type=\"" + RelNs +
                                             "/worksheet\" Target=\"worksheets/sheet2.xml\"/>");
    parts["xl/worksheets/sheet2.xml"] = "<worksheet xmlns=\"" + Main + "\"><sheetData><row r=\"1\">"
                                        "<c r=\"A1\" t=\"inlineStr\"><is><t>own4</t></is></c>"
                                        "<c r=\"B1\" t=\"s\"><v>7</v></c></row></sheetData></worksheet>";
    const auto book = ReadXlsxWorkbook(Write(dir, parts));

    const struct {
        std::size_t sheet;
        std::uint32_t row, column;
        const char* text;
    } expected[] = {{0, 1, 1, "s49999"}, {0, 1, 2, "own1"}, {0, 1, 3, "#N/A"}, {0, 1, 4, "own2"},
                    {0, 2, 1, "s0"},     {0, 2, 2, "own3"}, {1, 1, 1, "own4"}, {1, 1, 2, "s7"}};
    for (const auto& e : expected)
        EXPECT_EQ(Text(*book, e.sheet, e.row, e.column), e.text) << e.sheet << ' ' << e.row << ',' << e.column;
    EXPECT_EQ(book->StringCount(), static_cast<std::size_t>(count) + 5);
}

// The shared strings are read first, so their fault is the one reported,
// however far the sheet read beside them got; a sheet's first bad index in
// its reading order is named once the table is whole.
TEST(XlsxReader, ReportsFaultsInTheOrderTheFileIsRead)
{
    const int count = 50000;
    const std::string badTable = LongSharedStrings(count) + "<";  // a fault at its very end
    const struct Case {
        const char* what;
        std::string strings;
        std::string sheetData;
        std::string styles;
        const char* reason;
    } cases[] = {
        {"bad table and bad sheet", badTable, "<row r=\"1\"><c r=\"A1\"><v>x</v></c></row>", "",
         "xl/sharedStrings.xml"},
        {"bad table and bad styles", badTable, "", "<styleSheet", "xl/sharedStrings.xml"},
        {"bad table and an index past it", badTable, "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>60000</v></c></row>", "",
         "xl/sharedStrings.xml"},
        {"indexes past the table out of order", LongSharedStrings(count),
         "<row r=\"5\"><c r=\"A5\" t=\"s\"><v>49999</v></c><c r=\"B5\" t=\"s\"><v>50000</v></c></row>"
         "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>70000</v></c></row>", "",
         "セル B5 の共有文字列番号 \"50000\" が範囲外です。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        auto parts = BasicParts(c.sheetData);
        parts["xl/sharedStrings.xml"] = c.strings;
        if (!c.styles.empty()) {
            parts["xl/styles.xml"] = c.styles;
            auto& r = parts["xl/_rels/workbook.xml.rels"];
            r.insert(r.find("</Relationships>"), "<Relationship Id=\"rId9\" Type=\"" + RelNs +
                                                     "/styles\" Target=\"styles.xml\"/>");
        }
        const auto path = Write(dir, parts);
        const auto message = OleMessage([&] { ReadXlsxWorkbook(path); });
        EXPECT_NE(message.find(c.reason), std::string::npos) << message;
    }
}

TEST(XlsxReader, FollowsStrictNamesOddPrefixesAndAbsoluteTargets)
{
    const std::string strictMain = "http://purl.oclc.org/ooxml/spreadsheetml/main";
    const std::string strictRel = "http://purl.oclc.org/ooxml/officeDocument/relationships";
    TempDir dir;
    Parts parts = {
        {"_rels/.rels", "<Relationships xmlns=\"" + PkgNs + "\"><Relationship Id=\"a\" Type=\"" + strictRel +
                            "/officeDocument\" Target=\"/book/main.xml\"/></Relationships>"},
        {"book/main.xml",
         "<q:workbook xmlns:q=\"" + strictMain + "\" xmlns:z=\"" + strictRel +
             "\"><q:workbookPr date1904=\"1\"/><q:sheets>"
             "<q:sheet name=\"Chart\" sheetId=\"1\" z:id=\"c\"/>"
             "<q:sheet name=\"Data\" sheetId=\"2\" z:id=\"d\"/>"
             "<q:sheet name=\"Dialog\" sheetId=\"3\" z:id=\"g\"/></q:sheets></q:workbook>"},
        {"book/_rels/main.xml.rels",
         "<Relationships xmlns=\"" + PkgNs + "\">"
             "<Relationship Id=\"c\" Type=\"" + strictRel + "/chartsheet\" Target=\"charts/c.xml\"/>"
             "<Relationship Id=\"d\" Type=\"" + strictRel + "/worksheet\" Target=\"/parts/../sheets/d.xml\"/>"
             "<Relationship Id=\"g\" Type=\"" + strictRel + "/dialogsheet\" Target=\"g.xml\"/>"
             "<Relationship Id=\"s\" Type=\"" + strictRel + "/styles\" Target=\"Styles.XML\"/>"
             "</Relationships>"},
        {"book/styles.xml",
         "<x:styleSheet xmlns:x=\"" + strictMain + "\"><x:numFmts><x:numFmt numFmtId=\"164\" formatCode=\"yyyy-mm-dd\"/>"
             "</x:numFmts><x:cellStyleXfs><x:xf numFmtId=\"3\"/></x:cellStyleXfs>"
             "<x:cellXfs><x:xf numFmtId=\"0\"/><x:xf numFmtId=\"164\"/></x:cellXfs></x:styleSheet>"},
        {"sheets/d.xml", "<w:worksheet xmlns:w=\"" + strictMain + "\"><w:dimension ref=\"A1:XFD1048576\"/>"
                             "<w:sheetData><w:row r=\"1\"><w:c r=\"A1\" s=\"1\"><w:v>0</w:v></w:c>"
                             "<w:c r=\"B1\"><w:v>7</w:v></w:c><w:c r=\"C1\" s=\"9\"><w:v>8</w:v></w:c>"
                             "</w:row></w:sheetData></w:worksheet>"},
    };
    const auto book = ReadXlsxWorkbook(Write(dir, parts));
    ASSERT_EQ(book->sheets.size(), 1u);  // chart and dialog sheets are not worksheets
    EXPECT_EQ(book->sheets[0].Name(), u"Data");
    EXPECT_TRUE(book->date1904);
    EXPECT_EQ(Value(*book, 0, 1, 1), "1904/01/01");
    EXPECT_EQ(Value(*book, 0, 1, 2), "7");
    EXPECT_EQ(Value(*book, 0, 1, 3), "8");  // unknown style: General
}

TEST(XlsxReader, RefusesDamagedAndHostilePackages)
{
    struct Case {
        const char* what;
        std::function<void(Parts&)> damage;
        const char* reason;
    };
    const auto sheet = [](const std::string& data) {
        return [data](Parts& p) { p["xl/worksheets/sheet1.xml"] = "<worksheet xmlns=\"" + Main + "\"><sheetData>" + data + "</sheetData></worksheet>"; };
    };
    const Case cases[] = {
        {"no workbook part", [](Parts& p) { p.erase("xl/workbook.xml"); p.erase("_rels/.rels"); }, "xl/workbook.xml"},
        {"missing sheet part", [](Parts& p) { p.erase("xl/worksheets/sheet1.xml"); }, "\"xl/worksheets/sheet1.xml\" がありません。"},
        {"sheet without relationship", [](Parts& p) { p.erase("xl/_rels/workbook.xml.rels"); }, "シート \"S\" の本体が見つかりません。"},
        {"doctype", [](Parts& p) { p["xl/sharedStrings.xml"] = "<!DOCTYPE sst [<!ENTITY a \"aaaaaaaa\">]><sst xmlns=\"" + Main + "\"><si><t>&a;</t></si></sst>"; }, "DTD"},
        {"invalid UTF-8", sheet("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>\xC0\xAF</t></is></c></row>"), "XML を解析できません"},
        {"column beyond the grid", sheet("<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row>"), "\"XFE1\""},
        {"row beyond the grid", sheet("<row r=\"1048577\"><c><v>1</v></c></row>"), "1048577"},
        {"huge row number", sheet("<row r=\"99999999999999999999\"/>"), "行番号"},
        {"too many cells in a row", sheet("<row r=\"1\"><c r=\"XFD1\"><v>1</v></c><c><v>2</v></c></row>"), "16384"},
        {"shared string out of range", sheet("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>2</v></c></row>"), "共有文字列番号 \"2\""},
        {"bad number", sheet("<row r=\"1\"><c r=\"A1\"><v>12abc</v></c></row>"), "セル A1 の数値 \"12abc\""},
        {"bad date", sheet("<row r=\"1\"><c r=\"B1\" t=\"d\"><v>yesterday</v></c></row>"), "セル B1 の日付"},
        {"unknown type", sheet("<row r=\"1\"><c r=\"A1\" t=\"x\"><v>1</v></c></row>"), "型 \"x\""},
        {"not a workbook", [](Parts& p) { p["xl/workbook.xml"] = "<html/>"; }, "ブックではありません"},
        {"two sheets on one part", [](Parts& p) {
             auto& w = p["xl/workbook.xml"];
             w.insert(w.find("</sheets>"), "<sheet name=\"T\" sheetId=\"2\" r:id=\"rId1\"/>");
         }, "シート \"T\" の本体が他のシートと重複しています。"},
        {"truncated XML", [](Parts& p) { p["xl/workbook.xml"].resize(40); }, "XML を解析できません"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        auto parts = BasicParts("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
        c.damage(parts);
        const auto path = Write(dir, parts);
        const auto message = OleMessage([&] { ReadXlsxWorkbook(path); });
        EXPECT_EQ(message.rfind("ファイル \"" + path.string() + "\" を開けません。", 0), 0u) << message;
        EXPECT_NE(message.find(c.reason), std::string::npos) << message;
    }
}

} // namespace
