#include <gtest/gtest.h>

#include "template/TPatternShape.h"

namespace {

// Items as text: a literal as itself, a class as "#", then "?", "*" or "+".
UnicodeString Render(const std::vector<TPatternItem>& items)
{
    UnicodeString out;
    for (const TPatternItem& item : items) {
        out += item.literal >= 0 ? static_cast<char16_t>(item.literal) : u'#';
        if (item.repeats)
            out += item.optional ? u'*' : u'+';
        else if (item.optional)
            out += u'?';
    }
    return out;
}

TEST(AnalyzePattern, TakesOnlyWhatEveryMatchMustBeginAndEndWith)
{
    struct Case {
        const char16_t* pattern;
        const char16_t* head;
        const char16_t* tail;
    };
    const Case cases[] = {
        {u"<!---\\s+cell[^>]*?--->", u"<!---#+cell#*--->", u"--->"},
        {u"<\\!---\\s+excel\\s+", u"<!---#+excel#+", u""},
        {u"<!---[^-](.*?)[^-]--->", u"<!---#", u"#--->"},
        {u"(?:.+?(?=(?:<!---|\\z)))", u"", u""},
        {u"([^']*)'", u"", u"'"},
        {u"([a-zA-Z0-9_]+)\\s*=\\s*([\\\"']?)", u"", u""},
        {u"ab?c", u"ab?c", u"c"},
        {u"ab*", u"ab*", u""},
        {u"a++b", u"a+b", u"b"},
        {u"a{2}b", u"", u"b"},
        {u"a(b){2,}c", u"a", u"c"},
        {u"\\x41b", u"", u""},
        {u"a\\cB", u"a", u""},
        {u"(a)\\12", u"", u""},
        {u"a\\bc", u"a", u""},
        {u"\\.a\\.", u".a.", u".a."},
        {u"a\\\\b", u"a\\b", u"a\\b"},
        {u"[]a]b", u"#b", u"#b"},
        {u"[[:alpha:]]b", u"", u""},
        {u"a(?#(()b", u"a", u"b"},
        {u"a[(]b(c)", u"a#b", u""},
        {u"a(?i)bc", u"", u""},
        {u"(?x)a b", u"", u""},
        {u"\\Qa.b", u"", u""},
        {u"ab|cd", u"", u""},
        {u"ab(*ACCEPT)cd", u"", u""},
        {u"a(?=b)c", u"a", u"c"},
        {u"ab$", u"ab", u""},
        {u"\u65E5\u672C", u"\u65E5\u672C", u"\u65E5\u672C"},
        {u"a\U0001F600b", u"a", u""},
    };
    for (const auto& c : cases) {
        const TPatternShape shape = AnalyzePattern(c.pattern);
        EXPECT_EQ(Render(shape.head), c.head) << Utf16ToUtf8(c.pattern);
        EXPECT_EQ(Render(shape.tail), c.tail) << Utf16ToUtf8(c.pattern);
    }
}

TEST(AnalyzePattern, StopIsTheLastCharacterOnlyWhenNothingElseCanMatchIt)
{
    struct Case {
        const char16_t* pattern;
        UChar32 stop;
    };
    const Case cases[] = {
        {u"<!---\\s+cell[^>]*?--->", u'>'},
        {u"[^>-]*+>", u'>'},
        {u"a*\u65E5", 0x65E5},
        {u"<!---[^-](.*?)[^-]--->", -1},  // a group may hold anything
        {u".*>", -1},
        {u"a>*>", -1},
        {u"ab?", -1},
        {u"\\s*\u65E5", -1},  // beyond ASCII a class may match
        {u"a{2}>", -1},
        {u"a>|b>", -1},
        {u"a>$", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AnalyzePattern(c.pattern).stop, c.stop) << Utf16ToUtf8(c.pattern);
}

TEST(AnalyzePattern, ClassesMatchTheAsciiCharactersTheEngineDoes)
{
    const TPatternShape shape = AnalyzePattern(u"\\s[^>-].\\w");
    ASSERT_EQ(shape.head.size(), 4u);
    EXPECT_TRUE(shape.head[0].Matches(u' ') && shape.head[0].Matches(u'\n') && !shape.head[0].Matches(u'x'));
    EXPECT_TRUE(shape.head[1].Matches(u'a') && !shape.head[1].Matches(u'>') && !shape.head[1].Matches(u'-'));
    EXPECT_TRUE(shape.head[2].Matches(u'\n') && shape.head[2].Matches(u'a'));
    EXPECT_TRUE(shape.head[3].Matches(u'_') && !shape.head[3].Matches(u'-'));
    // Beyond ASCII a class is not looked at: it may match.
    EXPECT_TRUE(shape.head[0].Matches(0x65E5));
}

TEST(HeadMayMatch, RefusesOnlyTextNoMatchCanBeginWith)
{
    const TPatternShape shape = AnalyzePattern(u"<!---\\s+cell[^>]*?--->");
    struct Case {
        const char16_t* text;
        bool may;
    };
    const Case cases[] = {
        {u"<!--- cell name=A1 --->", true}, {u"<!---\n \tcell x --->", true}, {u"<!--- excel --->", false},
        {u"<!---cell", false},              {u"<!-- cell", false},     {u"<!--- ", false},
        {u"<!--- \u3000cell\u3000--->", true}, {u"<!--- cell > --->", false},        {u"", false},
    };
    for (const auto& c : cases) {
        const std::u16string_view text = c.text;
        EXPECT_EQ(HeadMayMatch(shape.masks, text.begin(), text.end()), c.may) << Utf16ToUtf8(c.text);
    }
    // Optional items may be left out, repeats taken many times.
    const TPatternShape optional = AnalyzePattern(u"a?b*c");
    for (const char16_t* text : {u"c", u"ac", u"abbbc", u"bc"})
        EXPECT_TRUE(HeadMayMatch(optional.masks, std::u16string_view(text).begin(), std::u16string_view(text).end()));
    for (const char16_t* text : {u"aac", u"abd", u"ab"})
        EXPECT_FALSE(HeadMayMatch(optional.masks, std::u16string_view(text).begin(), std::u16string_view(text).end()));
}

TEST(LastTail, FindsTheLastPlaceTheEndingOccurs)
{
    const TPatternShape shape = AnalyzePattern(u"<!---[^-](.*?)[^-]--->");
    struct Case {
        const char16_t* text;
        std::ptrdiff_t at;
    };
    const Case cases[] = {
        {u"x---> ---->", 0}, {u"---->", -1}, {u"a--->b--->", 5}, {u"--->", -1}, {u"", -1},
    };
    for (const auto& c : cases) {
        const std::u16string_view text = c.text;
        EXPECT_EQ(LastTail(shape.tail, text.begin(), text.end()), c.at) << Utf16ToUtf8(c.text);
    }
}

} // namespace
