#include <gtest/gtest.h>

#include "template/TCompiledPattern.h"

namespace {

UnicodeString Prefix(std::u16string_view pattern)
{
    const auto points = LiteralPrefix(pattern);
    UnicodeString out;
    for (UChar32 c : points)
        out += static_cast<char16_t>(c);
    return out;
}

TEST(LiteralHints, TakeOnlyCharactersEveryMatchMustHave)
{
    struct Case {
        const char16_t* pattern;
        const char16_t* prefix;
        const char16_t* suffix;
    };
    const Case cases[] = {
        {u"<!---\\s+cell[^>]*?--->", u"<!---", u"--->"},
        {u"<\\!---\\s+excel\\s+", u"<!---", u""},
        {u"<!---[^-](.*?)[^-]--->", u"<!---", u"--->"},
        {u"(?:.+?(?=(?:<!---|\\z)))", u"", u""},
        {u"([^']*)'", u"", u"'"},
        {u"ab?c", u"a", u"c"},
        {u"ab*", u"a", u""},
        {u"a+b", u"", u"b"},
        {u"a{2}b", u"", u"b"},
        {u"\\x41b", u"", u""},
        {u"a\\cB", u"a", u""},
        {u"(a)\\12", u"", u""},
        {u"\\x{41}-->", u"", u"-->"},
        {u"\\.a\\.", u".a.", u".a."},
        {u"a\\\\", u"a\\", u"a\\"},
        {u"a\\\\b", u"a\\b", u"a\\b"},
        {u"\\<ab\\>", u"", u""},
        {u"a(?i)bc", u"", u""},
        {u"(?x)a b", u"", u""},
        {u"\\Qa.b", u"", u""},
        {u"ab|cd", u"", u""},
        {u"a(?=b)c", u"a", u"c"},
        {u"ab$", u"ab", u""},
        {u"\u65E5\u672C", u"\u65E5\u672C", u"\u65E5\u672C"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Prefix(c.pattern), c.prefix) << Utf16ToUtf8(c.pattern);
        EXPECT_EQ(LiteralSuffix(c.pattern), c.suffix) << Utf16ToUtf8(c.pattern);
    }
}

TEST(ToCodePoints, KeepsOneCharacterPerUnpairedSurrogate)
{
    std::vector<std::size_t> offsets;
    const UnicodeString text = UnicodeString(u"a\U0001F600") + char16_t(0xDC00) + u"b" + char16_t(0xD800);
    EXPECT_EQ(ToCodePoints(text, &offsets), (std::vector<UChar32>{u'a', 0x1F600, 0xFFFD, u'b', 0xFFFD}));
    EXPECT_EQ(offsets, (std::vector<std::size_t>{0, 1, 3, 4, 5, 6}));

    offsets.clear();
    EXPECT_EQ(ToCodePoints(UnicodeString(1, char16_t(0xD800)) + u"x", &offsets), (std::vector<UChar32>{0xFFFD, u'x'}));
    EXPECT_TRUE(offsets.empty());  // no pairs: one code point per unit
}

} // namespace
