#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "readers/TXmlTokenizer.h"
#include "readers/ods/TOdsContent.h"
#include "text/UnicodeString.h"

using namespace Excel;

namespace {

const std::string Declarations =
    " xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
    " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
    " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\""
    " xmlns:calcext=\"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0\"";

std::string Content(const std::string& rows, const std::string& declarations = Declarations)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content" + declarations +
           "><office:body><office:spreadsheet><table:table table:name=\"S\">" + rows +
           "</table:table></office:spreadsheet></office:body></office:document-content>";
}

struct TRead {
    std::unique_ptr<TWorkbookData> book = std::make_unique<TWorkbookData>();
    std::uint64_t fastCells = 0;
};

// The content fed in pieces of `piece` bytes (0: whole), with the fast path
// or without it.
TRead Read(const std::string& content, bool fast, std::size_t piece = 0)
{
    TRead read;
    TOdsContentHandler handler(*read.book, "book.ods");
    TXmlTokenizer tokenizer(handler, "book.ods", "content.xml");
    if (fast)
        handler.ReadBy(&tokenizer);
    const std::string_view all(content);
    for (std::size_t at = 0; piece && at < all.size(); at += piece)
        tokenizer.Parse(all.substr(at, piece), false);
    tokenizer.Parse(piece ? std::string_view() : all, true);
    read.fastCells = handler.FastCells();
    return read;
}

// Every cell of the top left corner as "type:value|shown|style".
std::string Cells(const TWorkbookData& book)
{
    std::string out;
    const auto& sheet = book.sheets.at(0);
    out += "count " + std::to_string(sheet.CellCount()) + "\n";
    for (std::uint32_t row = 1; row <= 8; ++row)
        for (std::uint32_t column = 1; column <= 8; ++column) {
            const auto* cell = sheet.Find(row, column);
            if (!cell)
                continue;
            char number[64];
            std::snprintf(number, sizeof number, "%.17g", cell->number);
            out += std::to_string(row) + "," + std::to_string(column) + " " +
                   std::to_string(static_cast<int>(cell->type)) + ":" + number + ":" +
                   (cell->text == NoText ? "-" : Utf16ToUtf8(book.String(cell->text))) + "|" +
                   (cell->shown == NoText ? "-" : Utf16ToUtf8(book.String(cell->shown))) + "|" +
                   std::to_string(cell->style) + "\n";
        }
    return out;
}

std::string Cell(const std::string& attributes, const std::string& inside = "")
{
    return "<table:table-cell" + attributes + (inside.empty() ? "/>" : ">" + inside + "</table:table-cell>");
}

// One form of cell, row or markup between them, read with the fast path
// whole and in pieces, and with the general path: the cells agree.
TEST(OdsFastPath, EveryCellFormReadsAsTheGeneralPathReadsIt)
{
    const std::string p = "<text:p>";
    const struct {
        const char* name;
        std::string row;  // the content of one table:table-row
        bool fast;        // the fast path takes at least one cell of it
    } cases[] = {
        {"float", Cell(" office:value-type=\"float\" office:value=\"10.25\" calcext:value-type=\"float\"",
                       p + "10.25</text:p>"), true},
        {"number formats", Cell(" office:value-type=\"percentage\" office:value=\"0.5\"", p + "50%</text:p>") +
                               Cell(" table:style-name=\"ce3\" office:value-type=\"currency\" office:currency=\"JPY\""
                                    " office:value=\"+1200\"", p + "¥1,200</text:p>"), true},
        {"bad number", Cell(" office:value-type=\"float\" office:value=\"1e999\"", p + "big</text:p>") +
                           Cell(" office:value-type=\"float\" office:value=\"x\"") +
                           Cell(" office:value-type=\"float\"", p + "</text:p>"), true},
        {"strings", Cell(" office:value-type=\"string\" calcext:value-type=\"string\"", p + "品目12-5</text:p>") +
                        Cell(" office:value-type=\"string\"", p + "a &amp; b &lt;c&gt; &quot;&apos;</text:p>") +
                        Cell(" office:value-type='string'", p + " two  spaces\t</text:p>"), true},
        {"string value", Cell(" office:value-type=\"string\" office:string-value=\"kept\"", p + "shown</text:p>") +
                             Cell(" office:value-type=\"string\" office:string-value=\"same\"", p + "same</text:p>") +
                             Cell(" office:value-type=\"string\" office:string-value=\"\"") , true},
        {"paragraphs", Cell(" office:value-type=\"string\"", p + "one</text:p><text:p/>" + p + "t&amp;o</text:p>") +
                           Cell("", "<text:p/>") + Cell("", p + "</text:p>") + Cell("", p + "x</text:p>"), true},
        {"dates and times", Cell(" office:value-type=\"date\" office:date-value=\"2024-01-05\"", p + "2024/1/5</text:p>") +
                                Cell(" office:value-type=\"date\" office:date-value=\"2024-01-05T09:30:00\"") +
                                Cell(" office:value-type=\"time\" office:time-value=\"PT09H30M00S\"", p + "9:30</text:p>") +
                                Cell(" office:value-type=\"date\" office:date-value=\"2024-13-05\"", p + "bad</text:p>"), true},
        {"booleans", Cell(" office:value-type=\"boolean\" office:boolean-value=\"true\"", p + "TRUE</text:p>") +
                         Cell(" office:value-type=\"boolean\" office:boolean-value=\"0\"") +
                         Cell(" office:value-type=\"boolean\" office:boolean-value=\"yes\"", p + "yes</text:p>"), true},
        {"errors", Cell(" table:formula=\"of:=1/0\" office:value-type=\"float\" office:value=\"0\" calcext:value-type=\"error\"",
                        p + "#DIV/0!</text:p>") + Cell(" calcext:value-type=\"error\""), true},
        {"repeats and covered", Cell(" table:number-columns-repeated=\"3\" office:value-type=\"float\" office:value=\"7\"",
                                     p + "7</text:p>") +
                                    Cell(" table:number-columns-spanned=\"2\" office:value-type=\"string\"", p + "m</text:p>") +
                                    "<table:covered-table-cell office:value-type=\"string\">" + p +
                                    "hidden</text:p></table:covered-table-cell><table:covered-table-cell/>" +
                                    Cell(" table:style-name=\"ce1\" table:number-columns-repeated=\"2\"") +
                                    Cell(" table:number-columns-repeated=\"x\"", p + "once</text:p>"), true},
        {"blanks between", "\n  " + Cell(" office:value-type=\"string\"", "\n " + p + "a</text:p>\n") + "\n" +
                               Cell("  office:value-type=\"float\"   office:value=\"2\" ", p + "2</text:p>"), true},
        {"general forms in a row", Cell(" office:value-type=\"string\"", p + "a<text:s text:c=\"2\"/>b</text:p>") +
                                       Cell(" office:value-type=\"string\"", p + "<text:span text:style-name=\"T1\">c</text:span></text:p>") +
                                       Cell(" office:value-type=\"string\"", p + "&#12354;&#x3044;</text:p>") +
                                       Cell(" office:value-type=\"string\"", p + "d</text:p><office:annotation><text:p>note</text:p></office:annotation>") +
                                       Cell(" office:value-type=\"string\"", "<text:p text:style-name=\"P1\">e</text:p>") +
                                       Cell(" office:value-type=\"string\" foo=\"1\"", p + "f</text:p>") +
                                       Cell(" office:value-type=\"string\"", p + "after</text:p>"), true},
        {"no cells", "", true},
    };
    for (const auto& c : cases) {
        // The case's row twice, once repeated, then once after an empty row.
        const std::string rows = "<table:table-row>" + c.row + "</table:table-row>"
                                 "<table:table-row table:style-name=\"ro1\" table:number-rows-repeated=\"2\">" + c.row +
                                 "</table:table-row><table:table-row table:style-name=\"ro1\"/>"
                                 "<table:table-row>" + c.row + "</table:table-row>";
        const std::string content = Content(rows);
        const TRead general = Read(content, false);
        const std::string expected = Cells(*general.book);
        EXPECT_EQ(general.fastCells, 0u) << c.name;
        for (const std::size_t piece : {std::size_t(0), std::size_t(1), std::size_t(7), std::size_t(64)}) {
            const TRead fast = Read(content, true, piece);
            EXPECT_EQ(Cells(*fast.book), expected) << c.name << ", pieces of " << piece;
            if (piece == 0 && c.fast && !c.row.empty()) {
                EXPECT_GT(fast.fastCells, 0u) << c.name;
            }
        }
    }
}

// The fast path reads the usual prefixes only where they stand for the
// usual namespaces; elsewhere the general path decides what the names are.
TEST(OdsFastPath, OtherPrefixBindingsTakeTheGeneralPath)
{
    const std::string tableNs = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
    const std::string textNs = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
    const std::string officeNs = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
    const std::string cell = "<table:table-cell office:value-type=\"string\"><text:p>x</text:p></table:table-cell>";
    const struct {
        const char* name;
        std::string content;
        std::string expected;
    } cases[] = {
        {"other prefixes",
         "<o:document-content xmlns:o=\"" + officeNs + "\" xmlns:t=\"" + tableNs + "\" xmlns:x=\"" + textNs +
             "\"><o:body><o:spreadsheet><t:table t:name=\"S\"><t:table-row><t:table-cell o:value-type=\"float\""
             " o:value=\"3\"><x:p>3</x:p></t:table-cell></t:table-row></t:table></o:spreadsheet></o:body>"
             "</o:document-content>",
         "count 1\n1,1 1:3:-|3|0\n"},
        {"table bound elsewhere on the row",
         Content("<table:table-row xmlns:table=\"urn:other\">" + cell + "</table:table-row><table:table-row>" + cell +
                 "</table:table-row>"),
         "count 1\n1,1 2:0:x|-|0\n"},
        {"table bound elsewhere around the rows",
         Content("<table:table-row-group xmlns:table=\"urn:other\"><table:table-row>" + cell +
                 "</table:table-row></table:table-row-group><table:table-row>" + cell + "</table:table-row>"),
         "count 1\n1,1 2:0:x|-|0\n"},
        {"text bound elsewhere on the paragraph",
         Content("<table:table-row><table:table-cell office:value-type=\"float\" office:value=\"1\">"
                 "<text:p xmlns:text=\"urn:other\">one</text:p></table:table-cell></table:table-row>"),
         "count 1\n1,1 1:1:-|-|0\n"},
        {"office bound elsewhere",
         "<office:document-content xmlns:office=\"" + officeNs + "\" xmlns:table=\"" + tableNs + "\" xmlns:text=\"" +
             textNs + "\"><office:body><office:spreadsheet><table:table table:name=\"S\"><table:table-row "
             "xmlns:office=\"urn:other\"><table:table-cell office:value-type=\"float\" office:value=\"1\"><text:p>one"
             "</text:p></table:table-cell></table:table-row></table:table></office:spreadsheet></office:body>"
             "</office:document-content>",
         "count 1\n1,1 2:0:one|-|0\n"},
    };
    for (const auto& c : cases) {
        const TRead general = Read(c.content, false);
        EXPECT_EQ(Cells(*general.book), c.expected) << c.name;
        for (const std::size_t piece : {std::size_t(0), std::size_t(5)})
            EXPECT_EQ(Cells(*Read(c.content, true, piece).book), c.expected) << c.name << ", pieces of " << piece;
    }
}

} // namespace
