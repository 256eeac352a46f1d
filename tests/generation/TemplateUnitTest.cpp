#include <gtest/gtest.h>

#include <vector>

#include "generation/TTabloomMaker.h"
#include "support/TestSupport.h"
#include "template/TCellNode.h"
#include "template/TCsvUtility.h"
#include "template/TExcelNode.h"
#include "template/TLoopNode.h"
#include "template/TTemplateParser.h"
#include "text/Exception.h"

using testsupport::U;

namespace {

TEST(ParseSheetList, CommaSeparatedRules)
{
    struct Case {
        const char16_t* text;
        bool ok;
        std::vector<int> numbers;
    };
    const Case cases[] = {
        {u"1", true, {1}},
        {u"3,1,3", true, {1, 3}},
        {u"2 1", true, {1, 2}},
        {u" 4 ,\t2 , 2 ", true, {2, 4}},
        {u"\"5\",\"1\"", true, {1, 5}},
        {u"\" 7\"", true, {7}},
        {u"$A,0x2", true, {2, 10}},
        {u"", true, {}},
        {u"0", false, {}},
        {u"-1", false, {}},
        {u"1,,2", false, {}},
        {u"1,", false, {}},
        {u",1", false, {}},
        {u"1;2", false, {}},
        {u"\"2 1\"", false, {}},
        {u"１", false, {}},
    };
    for (const Case& c : cases) {
        std::vector<int> numbers{99};
        EXPECT_EQ(TCsvUtility::ParseSheetList(c.text, numbers), c.ok) << Utf16ToUtf8(c.text);
        if (c.ok) {
            EXPECT_EQ(numbers, c.numbers) << Utf16ToUtf8(c.text);
        }
    }
}

TEST(CellText, UrlEncodingAndLineBreaks)
{
    EXPECT_EQ(UrlEncode(u"AZaz09-_.~"), u"AZaz09-_.~");
    EXPECT_EQ(UrlEncode(u"a b&c=d/e?f%"), u"a%20b%26c%3Dd%2Fe%3Ff%25");
    EXPECT_EQ(UrlEncode(U("東京")), u"%E6%9D%B1%E4%BA%AC");
    EXPECT_EQ(UrlEncode(u"\r\n"), u"%0D%0A");
    EXPECT_EQ(UrlEncode(u"\U0001F600"), u"%F0%9F%98%80");
    EXPECT_EQ(UrlEncode(u""), u"");

    EXPECT_EQ(LineBreaksToBr(u"a\r\nb\rc\nd"), u"a<br />b<br />c<br />d");
    EXPECT_EQ(LineBreaksToBr(u"\n\r"), u"<br /><br />");
    EXPECT_EQ(LineBreaksToBr(u"\r\n\r\n"), u"<br /><br />");
    EXPECT_EQ(LineBreaksToBr(u"plain"), u"plain");
}

// Texts of the top-level nodes, loop children in brackets.
std::vector<UnicodeString> Shape(const TTemplateParser& parser)
{
    std::vector<UnicodeString> shape;
    for (const auto& node : parser.Nodes()) {
        if (const auto* loop = dynamic_cast<const TLoopNode*>(node.get())) {
            UnicodeString inner = u"[";
            for (const auto& child : loop->Children())
                inner += child->Text() + u"|";
            shape.push_back(inner + u"]");
        } else {
            shape.push_back(node->Text());
        }
    }
    return shape;
}

TEST(TemplateParser, TokensBecomeNodes)
{
    using namespace std::string_literals;
    struct Case {
        UnicodeString text;
        std::vector<UnicodeString> shape;
        UnicodeString error;
    };
    const Case cases[] = {
        {u"A<!--- excel quit=A1 type=card --->B<!--- cell name=A1 --->C",
         {u"A", u"B", u"<!--- cell name=A1 --->", u"C"}, u""},
        {u"<!-- note --><!--- EXCEL quit=A1 --->x<!--- excel quit=A1 type=card --->",
         {u"<!-- note -->", u"<!--- EXCEL quit=A1 --->", u"x"}, u""},
        // A ">" inside makes it a comment, which runs to the next "--->".
        {u"<!--- cell name=A1 x=> ---><!--- excel quit=A1 type=card --->",
         {u"<!--- cell name=A1 x=> --->"}, u""},
        {u"<!---x <!--- cell name=A1 --->y<!--- excel quit=A1 type=card --->",
         {u"<!---x <!--- cell name=A1 --->", u"y"}, u""},
        {u"<!---->a<!--- excel quit=A1 type=card --->", {u"<!---->a"}, u""},
        {u"<!--- excel quit=A1 type=card ---><!--- cell name=B2 ---->", {u"<!--- cell name=B2 ---->"}, u""},
        {u"<!--- excel quit=A1 type=card --->1<!---", {u"1", u"<!---"}, u""},
        {u"x<!--- excel quit=A1 type=card --->y\0<!--- cell name=A1 --->"s, {u"x", u"y"}, u""},
        // Tags across lines; an excel tag inside a block adds nothing to it.
        {u"<!--- loop_start --->a<!--- cell\nname=A1 ---><!--- loop_end --->b"
         u"<!--- loop_start maxcount=3 --->c<!--- excel\n quit=A1\r\n type=list ---><!--- loop_end --->",
         {u"[a|<!--- cell\nname=A1 --->|]", u"b", u"[c|]"}, u""},
        {u"<!--- excel quit=A1 type=card ---><!--- cellar --->", {}, u"cellタグに間違いがあります。(name=)"},
        {u"<!--- excel quit=A1 type=list ---><!--- loop_start ---><!--- excel quit=A1 type=list --->",
         {}, u"複数のExcelタグが見つかりました。"},
    };
    for (const Case& c : cases) {
        TTemplateParser parser(c.text);
        const auto text = Utf16ToUtf8(c.text);
        try {
            parser.Parse();
            EXPECT_EQ(c.error, u"") << text;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.error) << text;
            continue;
        }
        EXPECT_EQ(Shape(parser), c.shape) << text;
        EXPECT_NE(parser.ExcelNode(), nullptr) << text;
    }
}

TEST(ExcelTag, OneNodeLivesAndFailedReadsLeaveNone)
{
    TExcelNode* first = ReadExcelTag(u"<!--- excel quit=A1 type=card --->");
    EXPECT_EQ(CurrentExcelNode.get(), first);
    EXPECT_EQ(first->Layout(), TExcelNode::LayoutCard);
    // Generated page names count up and never reset.
    EXPECT_EQ(first->GetPageName(), u"00001");
    EXPECT_EQ(first->GetPageName(), u"00002");

    TExcelNode* second = ReadExcelTag(u"<!--- excel QUIT = b2 type=' LIST ' line=3 sheet='3,1,3' --->");
    EXPECT_EQ(CurrentExcelNode.get(), second);
    EXPECT_EQ(second->Layout(), TExcelNode::LayoutList);
    EXPECT_EQ(second->Line(), 3);
    EXPECT_EQ(second->SheetNumbers(), (std::vector<int>{1, 3}));
    EXPECT_EQ(second->SheetCount(), 2);
    EXPECT_EQ(second->CurrentSheetNumber(), 1);
    EXPECT_TRUE(second->NextSheet());
    EXPECT_EQ(second->CurrentSheetNumber(), 3);
    EXPECT_FALSE(second->NextSheet());
    EXPECT_EQ(second->RecordRow(2), 2);

    EXPECT_THROW(ReadExcelTag(u"<!--- excel quit=A1 type=card line=x --->"), Exception);
    EXPECT_EQ(CurrentExcelNode, nullptr);
}

TEST(TabloomMaker, CodePages)
{
    EXPECT_EQ(TTabloomMaker::CodePageOf(0), 932u);
    EXPECT_EQ(TTabloomMaker::CodePageOf(1), 65001u);
    EXPECT_EQ(TTabloomMaker::CodePageOf(2), 20932u);
    EXPECT_EQ(TTabloomMaker::CodePageOf(-1), 0u);
    EXPECT_EQ(TTabloomMaker::CodePageOf(3), 0u);
}

} // namespace
