#include <gtest/gtest.h>

#include "template/TAttributes.h"
#include "template/TCsvUtility.h"
#include "template/TStringScanner.h"
#include "text/Exception.h"

namespace {

// Reads a tag the way the tag readers do: skip the head, then the attributes.
TAttributeMap Attributes(const UnicodeString& tag, const UnicodeString& head = u"<!---\\s+\\w+\\s+")
{
    TStringScanner scanner(tag);
    scanner.Skip(head);
    return ParseAttributes(scanner);
}

TEST(ParseAttributes, FollowsTheAttributePatterns)
{
    struct Case {
        UnicodeString tag;
        TAttributeMap expected;
    };
    const Case cases[] = {
        {u"<!--- excel quit=A5 type='card' sheetname='Sheet 1' --->",
         {{u"quit", u"A5"}, {u"type", u"card"}, {u"sheetname", u"Sheet 1"}}},
        {u"<!--- excel quit=A5 type=\"card\" sheetname=\"Sheet 1\" --->",
         {{u"quit", u"A5"}, {u"type", u"card"}, {u"sheetname", u"Sheet 1"}}},
        {u"<!--- excel QUIT = A5 --->", {{u"quit", u"A5"}}},
        {u"<!--- cell x=1 x=2 --->", {{u"x", u"2"}}},
        {u"<!--- cell X=1 x=2 --->", {{u"x", u"2"}}},
        {u"<!--- cell name= type=text --->", {{u"name", u"type=text"}}},
        {u"<!--- cell name=--->", {{u"name", u"--->"}}},
        {u"<!--- cell name=A1--->", {{u"name", u"A1--->"}}},
        {u"<!--- cell name='A1 type=text --->", {{u"name", u""}}},
        {u"<!--- excel foo quit=A1 --->", {}},
        {u"<!--- cell a='1'b='2' --->", {{u"a", u"1"}, {u"b", u"2"}}},
        {u"<!--- cell a='line 1\r\nline 2' b=\"it's\" c='say \"hi\"' --->",
         {{u"a", u"line 1\r\nline 2"}, {u"b", u"it's"}, {u"c", u"say \"hi\""}}},
        {u"<!--- cell a='' b=\"\" --->", {{u"a", u""}, {u"b", u""}}},
        {u"<!--- cell\n\tmax_Count=5\n\tbreak=B2\n--->", {{u"max_count", u"5"}, {u"break", u"B2"}}},
        {u"<!--- cell a=\u3000x --->", {{u"a", u"x"}}},
        {u"<!--- cell a=\u65E5\u672C b=\U0001F600 --->", {{u"a", u"\u65E5\u672C"}, {u"b", u"\U0001F600"}}},
        {u"<!--- cell name=A1 ---> name=B2", {{u"name", u"B2"}}},
        {u"<!--- cell a=1 - b=2 --->", {{u"a", u"1"}}},
        {u"<!--- cell", {}},
        {u"<!--- cell =1 a=2 --->", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Attributes(c.tag), c.expected) << Utf16ToUtf8(c.tag);
}

TEST(ParseAttributes, TagWordWithoutBlankLeavesTheHeadUnread)
{
    EXPECT_TRUE(Attributes(u"<!--- excel--->", u"<\\!---\\s+excel\\s+").empty());
    EXPECT_TRUE(Attributes(u"<!--- excel--->quit=A1", u"<\\!---\\s+excel\\s+").empty());
}

TEST(ParseAttributes, NeverRaisesOnOddText)
{
    const UnicodeString texts[] = {
        u"a='", u"a=\"", u"=", u"a=", u"'''", UnicodeString{u'a', u'=', 0xD800, u' ', u'b', u'=', 0xDC00},
        UnicodeString(u"a=1\0b=2", 7), u"a=[^'] b='(' c=\\",
    };
    for (const auto& text : texts) {
        TStringScanner scanner(text);
        EXPECT_NO_THROW(ParseAttributes(scanner)) << Utf16ToUtf8(text);
    }
    TStringScanner scanner(UnicodeString(u"a=1\0b=2", 7));
    EXPECT_EQ(ParseAttributes(scanner), (TAttributeMap{{u"a", u"1"}}));
}

TEST(ParseCellAddress, SplitsValidReferences)
{
    struct Case {
        UnicodeString text;
        TCellAddress expected;
    };
    const Case cases[] = {
        {u"A1", {u"A", u"1"}},
        {u" b12 ", {u"b", u"12"}},
        {u"\t\r\nC3\x01", {u"C", u"3"}},
        {u"A01", {u"A", u"01"}},
        {u"XFD1048756", {u"XFD", u"1048756"}},
        {u"xfd1", {u"xfd", u"1"}},
        {UnicodeString(u"A1\0", 3), {u"A", u"1"}},  // NUL is a control character: trimmed
        {u"aA0000000000002", {u"aA", u"0000000000002"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseCellAddress(c.text), c.expected) << Utf16ToUtf8(c.text);
}

TEST(ParseCellAddress, RejectsWhatIsNotACell)
{
    const UnicodeString texts[] = {
        u"XFE1", u"A0", u"A1048757", u"1A", u"A 1", u"$A$1", u"", u"   ",
        u"\uFF21\uFF11", u"A\uFF11", u"ZZZZZZZZ1", u"A99999999999", u"A-1", u"A+1",
        u"A1B", u"A1\u3000", UnicodeString(u"A1\0" u"2", 4), u"A$10",
    };
    for (const auto& text : texts) {
        try {
            ParseCellAddress(text);
            ADD_FAILURE() << "accepted " << Utf16ToUtf8(text);
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), text + u" is not cell");
        }
    }
}

TEST(ColumnIndex, ReadsColumnLettersUpToXFD)
{
    struct Case {
        const char16_t* letters;
        int index;
    };
    const Case cases[] = {
        {u"A", 0},     {u"Z", 25},        {u"AA", 26},      {u"AZ", 51},   {u"BA", 52},
        {u"ZZ", 701},  {u"AAA", 702},     {u"XFD", 16383},  {u"xfd", 16383}, {u"aB", 27},
        {u"XFE", -1},  {u"ZZZ", -1},      {u"ZZZZZZZZ", -1}, {u"", -1},     {u"A1", -1},
        {u"\uFF21", -1}, {u"A B", -1},    {u"@", -1},       {u"[", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TCsvUtility::ColumnIndex(c.letters), c.index) << Utf16ToUtf8(c.letters);
        EXPECT_EQ(ColumnNumber(c.letters), c.index + 1) << Utf16ToUtf8(c.letters);
    }
}

} // namespace
