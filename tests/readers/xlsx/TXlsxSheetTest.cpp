#include <gtest/gtest.h>

#include "support/SheetReadLog.h"

using namespace testsupport;

namespace {

// Cells the sheet reader takes whole must come out as their events make
// them, refusals and messages included, however the input is cut.
TEST(XlsxSheet, CellsTakenWholeReadAsTheirEvents)
{
    const std::pair<const char*, const char*> cases[] = {
        // sheetData's content, and a piece of what must come out
        {"<row r=\"1\"><c r=\"A1\" s=\"1\" t=\"s\"><v>0</v></c><c r=\"B1\"><v>1.5</v></c>\n "
         "<c r=\"C1\" t=\"inlineStr\"><is><t xml:space=\"preserve\"> a b </t></is></c></row>",
         "| a b "},
        {"<row><c><f>SUM(B1:B2)</f><v>3</v></c><c><f t=\"shared\" si=\"0\"/><v>4</v></c><c/><c s=\"2\"><v>.5</v></c></row>",
         "1,4:1,2,0x1p-1"},
        {"<row><c t=\"inlineStr\"><is><t>a&amp;b</t></is></c><c t=\"inlineStr\"><is><t>x_x0009_y</t></is></c></row>",
         "|a&b|x\ty"},
        {"<row><c t=\"inlineStr\"><is><r><t>a</t></r><r><t>b</t></r></is></c><c t=\"inlineStr\"><is><t>c</t></is><is><t>d</t></is></c></row>",
         "|ab|d"},
        {"<row><c><v>1</v><v>2</v></c><c t=\"str\"><v>a\r\nb</v></c><c t=\"str\"><v>表</v></c><c t=\"e\"><v>#N/A</v></c></row>",
         "|a\nb|表|#N/A"},
        {"<row><c t='b' r='B2'><v>1</v></c><c t=\"inlineStr\"><v>v</v><is>\n<t>i</t>\n</is>\n</c></row>", "|i"},
        {"<row><x:c xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><x:v>5</x:v></x:c>"
         "<c xmlns=\"urn:other\"><v>6</v></c></row>",
         "1|shared 1,1:1,0,0x1.4p+2,"},
        {"<row><c t=\"str\"><v>&lt;b&gt; &amp;&apos;</v><f>A1&amp;&quot;x&quot;</f></c>"
         "<c t=\"inlineStr\"><is><t>&#38;&amp;x</t></is></c></row>",
         "|<b> &'|&&x"},
        {"<row><c t=\"str\"><v>a&b;</v></c></row>", "undefined entity"},
        {"<row><c r=\"A1\" r=\"B1\"><v>1</v></c></row>", "duplicate attribute"},
        {"<row><c r=\"A0\"><v>1</v></c></row>", "セル参照 \"A0\""},
        {"<row><c t=\"q\"><v>1</v></c></row>", "の型 \"q\""},
        {"<row><c><v>x</v></c></row>", "の数値 \"x\""},
        {"<row><c t=\"s\"><v>7</v></c></row>", "共有文字列番号 \"7\""},
        {"<row><c><v>1</c></v></row>", "mismatched tag"},
        {"<row><c><v>\x01</v></c></row>", "not well-formed"},
        {"<row><c r=\"A1\"s=\"1\"><v>1</v></c></row>", "not well-formed"},
        // the commonest shape, at its edges
        {"<row><c r=\"XFD1048576\" t=\"n\"><v>1</v></c><c r=\"P16\" s=\"1\" t=\"n\"><v>-0.000000000000001</v></c><c r=\"A2\" t=\"s\" s=\"99999999999\"><v>0</v></c>"
         "<c r=\"C001\"><v>1234567890123456789</v></c><c s=\"0\"><v>-0</v></c><c><v>1.5E+3</v></c></row>",
         "6|shared 1,3:1,0,0x1.12210f47de981p+60"},
        {"<row><c t=\"s\"><v>0.0</v></c></row>", "共有文字列番号 \"0.0\""},
        {"<row><c r=\"AAAA1\"><v>1</v></c></row>", "セル参照 \"AAAA1\""},
        {"<row><c s=\"1\" s=\"2\"><v>1</v></c></row>", "duplicate attribute"},
        {"<row><c r=\"A1\"><v>1e400</v></c></row>", "の数値 \"1e400\""},
        // character references the cells taken whole leave to the tokenizer
        {"<row><c t=\"inlineStr\"><is><t>a&#0;</t></is></c></row>", "reference to invalid character"},
        {"<row><c t=\"inlineStr\"><is><t>&#xD800;</t></is></c></row>", "reference to invalid character"},
        {"<row><c t=\"inlineStr\"><is><t>&#x110000;</t></is></c></row>", "reference to invalid character"},
        {"<row><c t=\"str\"><v>&#12354</v></c></row>", "not well-formed"},
        {"<row><c t=\"str\"><v>&#;</v></c></row>", "not well-formed"},
        {"<row><c t=\"str\"><v>&#x;</v></c></row>", "not well-formed"},
        {"<row><c t=\"str\"><v>&#X41;</v></c></row>", "not well-formed"},
        {"<row><c t=\"inlineStr\"><is><t>&#13;&#10;&#x9;&#0000065;&#x0042;</t></is></c><c t=\"str\"><v>a\rb</v></c></row>",
         "|\r\n\tAB|a\nb"},
        // rows opened by the sheet reader itself
        {"<row r=\"2\" spans=\"1:2\" xml:space=\"preserve\">\n <c><v>1</v></c></row><row r=\"3\"></row>"
         "<row><row r=\"5\"><c><v>2</v></c></row><c><v>3</v></c></row><row r=\"7\"/><row><c><v>4</v></c></row>",
         " 2,1:1,0,0x1p+0"},
        {"<row r=\"0\"><c><v>1</v></c></row>", "行番号 \"0\""},
        {"<row r=\"1\" r=\"2\"><c><v>1</v></c></row>", "duplicate attribute"},
        {"<row r=\"1\"><c><v>1</v></c></rows>", "mismatched tag"},
        {"<row r=\"1\" spans=\"1:1\" x:h=\"1\" xmlns:x=\"urn:x\"><c><v>1</v></c></row>", " 1,1:1,0,0x1p+0"},
        {"<row r=\"1\" y:h=\"1\"><c><v>1</v></c></row>", "unbound prefix"},
    };
    const std::string head = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
    for (const auto& [data, expected] : cases) {
        const std::string xml = head + data + "</sheetData></worksheet>";
        const std::string byEvents = ReadSheet<EventsOnlySheet>(xml, xml.size());
        EXPECT_NE(byEvents.find(expected), std::string::npos) << byEvents;
        for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{61}, xml.size()})
            EXPECT_EQ(ReadSheet<Excel::TXlsxSheetHandler>(xml, piece), byEvents) << data << " in pieces of " << piece;
    }
    // An unfinished cell at the end is refused as the tokenizer refuses it.
    const std::string cut = head + "<row><c r=\"A1\"><v>1</v>";
    EXPECT_EQ(ReadSheet<Excel::TXlsxSheetHandler>(cut, 5), ReadSheet<EventsOnlySheet>(cut, cut.size()));
}

// The sheet reader, counting the cells that still reach it as events.
class CountingSheet : public Excel::TXlsxSheetHandler {
public:
    using TXlsxSheetHandler::TXlsxSheetHandler;
    static inline int cellEvents = 0;
    void StartElement(const Excel::TXmlName& name, const Excel::TXmlAttributes& attributes) override
    {
        cellEvents += name.local == "c";
        TXlsxSheetHandler::StartElement(name, attributes);
    }
};

// What openpyxl's streaming writer, libxlsxwriter (constant memory mode
// included) and Excel write is read without the general tag reader, and
// reads as through events.
TEST(XlsxSheet, OtherWritersCellsAreTakenWhole)
{
    const std::pair<const char*, const char*> cases[] = {
        // openpyxl's write-only mode: an explicit t="n", non-ASCII as references
        {"<row r=\"1\"><c r=\"A1\" t=\"n\"><v>1.5</v></c><c r=\"B1\" s=\"1\" t=\"n\"><v>43832.12783564815</v></c>"
         "<c r=\"C1\" t=\"inlineStr\"><is><t>&#21697;&#30446;1-5</t></is></c>"
         "<c r=\"D1\" t=\"inlineStr\"><is><t xml:space=\"preserve\"> lead</t></is></c>"
         "<c r=\"E1\" t=\"inlineStr\"><is><t>a&amp;b&lt;c&gt;\"q'</t></is></c></row>",
         "|品目1-5| lead|a&b<c>\"q'"},
        {"<row r=\"1\"><c r=\"A1\" t=\"b\"><v>1</v></c><c r=\"B1\" t=\"b\"><v>0</v></c><c r=\"C1\" t=\"e\"><v>#N/A</v></c>"
         "<c r=\"D1\"><f>SUM(A1:B1)</f><v></v></c><c r=\"E1\" t=\"inlineStr\"><is><t>x\ny</t></is></c>"
         "<c r=\"F1\" t=\"inlineStr\"></c></row>",
         "|#N/A|x\ny"},
        // libxlsxwriter's constant memory mode: inline strings as they are
        {"<row r=\"1\"><c r=\"A1\"><v>0</v></c><c r=\"B1\" s=\"1\"><v>11.25</v></c>"
         "<c r=\"F1\" t=\"inlineStr\"><is><t>品目1-5</t></is></c><c r=\"G1\" t=\"inlineStr\"><is><t>a_x0001_b</t></is></c>"
         "<c r=\"H1\" t=\"str\"><f>\"a\"</f><v>a</v></c><c r=\"I1\"><f>1+1</f><v>0</v></c><c r=\"J1\"><v>1E-300</v></c></row>",
         "|品目1-5|a\x01" "b|a"},
        // attributes in any order, left out, or of other kinds; hex references
        {"<row><c t=\"s\" s=\"1\" r=\"B2\"><v>0</v></c><c s=\"2\" t=\"n\"><v>.5</v></c><c t=\"inlineStr\" s=\"1\"><is><t>&#x3042;&#x3044;</t></is></c>"
         "<c cm=\"1\" r=\"E2\"><v>2</v></c><c vm=\"1\" t=\"e\"><v>#VALUE!</v></c><c ph=\"1\" t=\"str\"><v>p</v></c></row>",
         "|あい|#VALUE!|p"},
        {"<row><c t=\"inlineStr\"><is><t>&#x3042;</t></is></c><c t='str' r='B1'><v>&#12354;&#x3044;</v></c></row>", "|あ|あい"},
    };
    const std::string head = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
    for (const auto& [data, expected] : cases) {
        const std::string xml = head + data + "</sheetData></worksheet>";
        const std::string byEvents = ReadSheet<EventsOnlySheet>(xml, xml.size());
        EXPECT_NE(byEvents.find(expected), std::string::npos) << byEvents;
        CountingSheet::cellEvents = 0;
        EXPECT_EQ(ReadSheet<CountingSheet>(xml, xml.size()), byEvents) << data;
        EXPECT_EQ(CountingSheet::cellEvents, 0) << data;
    }
}

} // namespace
