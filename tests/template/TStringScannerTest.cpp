#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "template/TStringScanner.h"
#include "text/Exception.h"

namespace {

TEST(TStringScanner, EmptyTextIsEmptyAtOnce)
{
    TStringScanner scanner(u"");
    EXPECT_TRUE(scanner.IsEmpty());
    EXPECT_EQ(scanner.Scan(u"a"), u"");
    EXPECT_EQ(scanner.Skip(u"a"), -1);
    EXPECT_EQ(scanner.Skip(u"a*"), 0);  // a zero-length match still succeeds
}

TEST(TStringScanner, StopsAtTheFirstNul)
{
    const UnicodeString text(u"ab\0cd", 5);
    TStringScanner scanner(text);
    EXPECT_EQ(scanner.Rest(), u"ab");
    EXPECT_EQ(scanner.Scan(u".*"), u"ab");
    EXPECT_TRUE(scanner.IsEmpty());

    TStringScanner leading(UnicodeString(u"\0x", 2));
    EXPECT_TRUE(leading.IsEmpty());
}

TEST(TStringScanner, MatchesOnlyAtTheCurrentPosition)
{
    TStringScanner scanner(u"hello world");
    EXPECT_EQ(scanner.Scan(u"world"), u"");
    EXPECT_EQ(scanner.Rest(), u"hello world");
    EXPECT_EQ(scanner.Scan(u"hel+o"), u"hello");
    EXPECT_EQ(scanner.Rest(), u" world");
    EXPECT_EQ(scanner.Skip(u"\\s+"), 1);
    EXPECT_EQ(scanner.Scan(u"world"), u"world");
    EXPECT_TRUE(scanner.IsEmpty());
}

TEST(TStringScanner, AnchorCoversOnlyTheFirstAlternative)
{
    // "\A" is put in front of the pattern text, so a top-level alternative
    // may match further on; the text up to its end is consumed.
    TStringScanner scanner(u"ayb");
    EXPECT_EQ(scanner.Scan(u"x|y"), u"y");
    EXPECT_EQ(scanner.Rest(), u"b");
}

TEST(TStringScanner, ConsumedTextIsInvisibleToLaterPatterns)
{
    TStringScanner scanner(u"ab");
    ASSERT_EQ(scanner.Skip(u"a"), 1);
    EXPECT_EQ(scanner.Skip(u"(?<=a)b"), -1);
    EXPECT_EQ(scanner.Skip(u"b\\z"), 1);
}

TEST(TStringScanner, GroupsAreEmptiedOnEveryCall)
{
    TStringScanner scanner(u"key=value;");
    ASSERT_EQ(scanner.Skip(u"(\\w+)=(\\w+)"), 9);
    EXPECT_EQ(scanner.Group(0), u"key=value");
    EXPECT_EQ(scanner.Group(1), u"key");
    EXPECT_EQ(scanner.Group(2), u"value");
    EXPECT_EQ(scanner.Group(3), u"");
    EXPECT_EQ(scanner.Group(-1), u"");

    EXPECT_EQ(scanner.Skip(u"(x)"), -1);
    EXPECT_EQ(scanner.Group(0), u"");
    EXPECT_EQ(scanner.Group(1), u"");
    EXPECT_EQ(scanner.Rest(), u";");
}

TEST(TStringScanner, GroupThatTookNoPartIsEmpty)
{
    TStringScanner scanner(u"b");
    EXPECT_EQ(scanner.Scan(u"(a)|(b)"), u"b");
    EXPECT_EQ(scanner.Group(1), u"");
    EXPECT_EQ(scanner.Group(2), u"b");
}

TEST(TStringScanner, ZeroLengthMatchConsumesNothing)
{
    TStringScanner scanner(u" x");
    EXPECT_EQ(scanner.Skip(u"(\\S*)"), 0);
    EXPECT_EQ(scanner.Group(1), u"");
    EXPECT_EQ(scanner.Scan(u"\\S*"), u"");
    EXPECT_EQ(scanner.Rest(), u" x");
}

TEST(TStringScanner, DotAndWhiteSpaceFollowUnicodeRules)
{
    TStringScanner scanner(u"a\r\nb\u3000\t \u00A0c");
    EXPECT_EQ(scanner.Scan(u"a.+?b"), u"a\r\nb");
    EXPECT_EQ(scanner.Skip(u"\\s+"), 4);  // U+3000 and U+00A0 are white space
    EXPECT_EQ(scanner.Scan(u"[a-z]"), u"c");
}

TEST(TStringScanner, CountsUtf16UnitsAcrossSurrogatePairs)
{
    TStringScanner scanner(u"\U0001F600x\U00020BB7<");
    EXPECT_EQ(scanner.Skip(u"."), 2);
    EXPECT_EQ(scanner.Group(0), u"\U0001F600");
    EXPECT_EQ(scanner.Scan(u"(x)(.)"), u"x\U00020BB7");
    EXPECT_EQ(scanner.Group(2), u"\U00020BB7");
    EXPECT_EQ(scanner.Rest(), u"<");
}

TEST(TStringScanner, UnpairedSurrogatesAreOrdinaryCharacters)
{
    const char16_t high = 0xD800, low = 0xDC00;
    struct Case {
        UnicodeString text;
        const char16_t* pattern;
        int length;
    };
    const Case cases[] = {
        {UnicodeString{high, u'a'}, u".", 1},
        {UnicodeString{low, u'a'}, u"[^-]a", 2},
        {UnicodeString{u'a', high}, u"a.\\z", 2},
        {UnicodeString{low, high}, u"..", 2},
        {UnicodeString(1, high) + u"\U0001F600", u"..", 3},
        {UnicodeString(u"x") + high + u"\U0001F600" + low, u".{4}", 5},
        {UnicodeString{u'x', high}, u".\uFFFD", 2},  // what the engine sees in its place
    };
    for (const auto& c : cases) {
        TStringScanner scanner(c.text);
        EXPECT_EQ(scanner.Skip(c.pattern), c.length);
        // The text handed back is the original, not a replacement character.
        EXPECT_EQ(scanner.Group(0), c.text.substr(0, static_cast<std::size_t>(c.length)));
    }

    const UnicodeString pattern{u'(', high, u')'};
    TStringScanner scanner(UnicodeString{high});
    EXPECT_NO_THROW(scanner.Skip(pattern));
}

TEST(TStringScanner, OptionalRepeatedAndEscapedStartsStillMatch)
{
    struct Case {
        const char16_t* text;
        const char16_t* pattern;
        int length;
    };
    const Case cases[] = {
        {u"b", u"a?b", 1},          {u"b", u"a*b", 1},          {u"b", u"a{0}b", 1},
        {u"aab", u"a+b", 3},        {u"abb", u"ab{2}", 3},      {u"a", u"ab?", 1},
        {u"c", u"ab|c", 1},         {u"x", u"\\<x", 1},          {u"A", u"\\x41", 1},      {u"A-", u"\\x41-", 2},
        {u"ABC", u"(?i)abc", 3},    {u"<!x", u"<\\!x", 3},       {u"a.b", u"a\\.b", 3},
        {u"a b", u"a b", 3},        {u"a\u3042", u"a\u3042", 2}, {u"\U0001F600", u"\U0001F600", 2},
        {u"ab", u"a(?=b)", 1},      {u"ab", u"a$", -1},         {u"a", u"a$", 1},
        {u"ab", u"ac", -1},         {u"a", u"ab", -1},          {u"-->", u"--->", -1},
        {u"x--->", u".*--->", 5},   {u"x-->", u".*--->", -1},
    };
    for (const auto& c : cases) {
        TStringScanner scanner(c.text);
        EXPECT_EQ(scanner.Skip(c.pattern), c.length) << Utf16ToUtf8(c.pattern);
    }
}

TEST(TStringScanner, ManyDistinctPatternsStayApart)
{
    // More patterns than any cache holds, visited twice, so evicted entries
    // are compiled again and never confused with each other.
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 600; ++i) {
            const UnicodeString number = Utf8ToUtf16(std::to_string(i));
            TStringScanner scanner(u"k" + number + u";");
            EXPECT_EQ(scanner.Skip(u"k" + number + u"(?=;)"), static_cast<int>(number.size()) + 1);
            EXPECT_EQ(scanner.Skip(u"k" + number), -1);
        }
    }
}

TEST(TStringScanner, ManyPatternEndingsOnOneText)
{
    UnicodeString text;
    for (int i = 0; i < 40; ++i)
        text += u" k" + Utf8ToUtf16(std::to_string(i));
    TStringScanner scanner(text);
    for (int i = 0; i < 40; ++i) {
        const UnicodeString word = u"k" + Utf8ToUtf16(std::to_string(i));
        EXPECT_EQ(scanner.Skip(u".*?" + word), static_cast<int>(word.size()) + 1) << i;
        EXPECT_EQ(scanner.Skip(u".*?k0"), -1) << i;  // only behind the position now
    }
    EXPECT_TRUE(scanner.IsEmpty());
}

TEST(TStringScanner, BadPatternRaisesTheSystemsException)
{
    TStringScanner scanner(u"abc");
    EXPECT_THROW(scanner.Scan(u"(a"), Exception);
    EXPECT_THROW(scanner.Skip(u"[z-a]"), Exception);
    EXPECT_EQ(scanner.Rest(), u"abc");
}

// The template's token patterns, tried in order at each position.
std::vector<UnicodeString> Tokenize(const UnicodeString& text)
{
    static const char16_t* const patterns[] = {
        u"<!---\\s+excel[^>]*?--->",      u"<!---\\s+cell[^>]*?--->",
        u"<!---\\s+loop_start[^>]*?--->", u"<!---\\s+loop_end[^>]*?--->",
        u"<!---[^-](.*?)[^-]--->",        u"(?:.+?(?=(?:<!---|\\z)))",
    };
    std::vector<UnicodeString> tokens;
    TStringScanner scanner(text);
    while (!scanner.IsEmpty()) {
        UnicodeString token;
        for (std::size_t i = 0; i < std::size(patterns) && token.empty(); ++i) {
            token = scanner.Scan(patterns[i]);
            if (!token.empty())
                token = UnicodeString(1, static_cast<char16_t>(u'0' + i)) + u":" + token;
        }
        if (token.empty()) {
            tokens.push_back(u"stuck");
            break;
        }
        tokens.push_back(token);
    }
    return tokens;
}

TEST(TStringScanner, CutsTemplatesIntoTokens)
{
    struct Case {
        UnicodeString text;
        std::vector<UnicodeString> tokens;
    };
    const Case cases[] = {
        {u"A<!--- excel quit=A1 type=card --->B<!--- cell name=A1 --->C",
         {u"5:A", u"0:<!--- excel quit=A1 type=card --->", u"5:B", u"1:<!--- cell name=A1 --->", u"5:C"}},
        {u"<!-- note --><!--- EXCEL quit=A1 --->",
         {u"5:<!-- note -->", u"4:<!--- EXCEL quit=A1 --->"}},
        {u"<!--- cellar ---><!--- cell name=A1 x=> --->",
         {u"1:<!--- cellar --->", u"4:<!--- cell name=A1 x=> --->"}},
        {u"<!---x <!--- cell name=A1 ---> y", {u"4:<!---x <!--- cell name=A1 --->", u"5: y"}},
        {u"<!---->tail<!---", {u"5:<!---->tail", u"5:<!---"}},
        {u"<!---\n loop_start\n max=3 --->r<!--- loop_end --->",
         {u"2:<!---\n loop_start\n max=3 --->", u"5:r", u"3:<!--- loop_end --->"}},
        {u"<!--- cell name=A1 ---->", {u"1:<!--- cell name=A1 ---->"}},
        {u"\u65E5\u672C\U0001F600<!--- cell a=\u3042 --->",
         {u"5:\u65E5\u672C\U0001F600", u"1:<!--- cell a=\u3042 --->"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Tokenize(c.text), c.tokens) << Utf16ToUtf8(c.text);
}

} // namespace
